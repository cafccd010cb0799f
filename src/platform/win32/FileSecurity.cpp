// What a save reads of a file's security descriptor.
#include "platform/win32/FileSecurity.h"

namespace win32 {

namespace {

bool ReadSecurity(HANDLE file, SECURITY_INFORMATION what, std::vector<char>& descriptor) {
  DWORD needed = 0;
  GetKernelObjectSecurity(file, what, nullptr, 0, &needed);
  if (needed == 0) {
    return false;
  }
  descriptor.assign(needed, 0);
  return GetKernelObjectSecurity(file, what, descriptor.data(), needed, &needed) != FALSE;
}

// The user of the process's token, into buffer; null when it cannot be read.
PSID ProcessUser(std::vector<char>& buffer) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    return nullptr;
  }
  DWORD needed = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &needed);
  buffer.assign(needed, 0);
  const bool read =
      needed != 0 && GetTokenInformation(token, TokenUser, buffer.data(), needed, &needed);
  CloseHandle(token);
  return read ? reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid : nullptr;
}

}  // namespace

bool ReadAccessList(HANDLE file, std::vector<char>& descriptor) {
  return ReadSecurity(file, DACL_SECURITY_INFORMATION, descriptor);
}

bool OwnedByUser(HANDLE file) {
  std::vector<char> descriptor;
  std::vector<char> user;
  PSID owner = nullptr;
  BOOL defaulted = FALSE;
  const PSID self = ProcessUser(user);
  return self != nullptr && ReadSecurity(file, OWNER_SECURITY_INFORMATION, descriptor) &&
         GetSecurityDescriptorOwner(descriptor.data(), &owner, &defaulted) && owner != nullptr &&
         EqualSid(owner, self);
}

}  // namespace win32
