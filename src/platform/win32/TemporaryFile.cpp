// A new file of an unpredictable name beside the file a save replaces.
// rand_s comes from the system's C runtime, which declares it on this request.
#define _CRT_RAND_S  // NOLINT(bugprone-reserved-identifier)
#include "platform/win32/TemporaryFile.h"

#include <cstdlib>

#include "framework/PlatformError.h"
#include "framework/TemporaryName.h"
#include "platform/win32/Utf.h"

namespace win32 {

namespace {

constexpr int kAttempts = 100;

// Throws the failure of an operation on a file, raised where this was called.
[[noreturn]] VORLIX_NOINLINE void Fail(const std::string& what, const std::wstring& name,
                                       DWORD code) {
  throw fw::EFileError(what, Narrow(name), "error " + std::to_string(code),
                       VORLIX_CALLER_ADDRESS());
}

std::string RandomBytes() {
  std::string bytes;
  while (bytes.size() < fw::kTemporaryRandomBytes) {
    unsigned int value = 0;
    if (rand_s(&value) != 0) {
      value = GetTickCount() ^ GetCurrentProcessId();  // the creation is exclusive all the same
    }
    bytes.push_back(static_cast<char>(value));
  }
  return bytes;
}

// What a folder answers when it takes no new file, where the old one may still be written.
bool Refuses(DWORD code) {
  return code == ERROR_ACCESS_DENIED || code == ERROR_FILENAME_EXCED_RANGE ||
         code == ERROR_INVALID_NAME;
}

}  // namespace

TemporaryFile::TemporaryFile(FileSteps& steps, const std::wstring& target)
    : steps_(steps), target_(target) {
  const std::size_t slash = target.find_last_of(L'\\');
  const std::wstring folder = target.substr(0, slash + 1);
  const std::string base = Narrow(target.substr(slash + 1));
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    path_ = folder + Widen(fw::TemporaryName(base, RandomBytes()));
    file_.Reset(steps_.CreateNew(path_));
    if (file_.Valid()) {
      return;
    }
    const DWORD code = GetLastError();
    if (Refuses(code)) {
      refused_ = true;
      return;
    }
    if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
      Fail("creating", path_, code);
    }
  }
  Fail("creating a new file beside", target, ERROR_FILE_EXISTS);
}

void TemporaryFile::Write(const std::string& content) {
  if (!steps_.Write(file_.Get(), content)) {
    const DWORD code = GetLastError();
    Discard();
    Fail("writing", path_, code);
  }
  written_ = true;
}

bool TemporaryFile::TakeOver(DWORD attributes, const std::vector<char>& accessList) {
  return steps_.SetAttributes(file_.Get(), attributes) &&
         steps_.SetAccessList(file_.Get(), accessList);
}

void TemporaryFile::Place(bool overExisting) {
  if (!steps_.Rename(file_.Get(), target_, overExisting)) {
    const DWORD code = GetLastError();
    Discard();
    Fail("replacing", target_, code);
  }
  file_.Close();
}

void TemporaryFile::Discard() {
  if (!file_.Valid()) {
    return;  // placed, discarded already, or never made
  }
  const bool targetThere = GetFileAttributesW(target_.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (targetThere || !written_) {
    steps_.Delete(file_.Get());
  } else {
    steps_.Rename(file_.Get(), target_, false);
  }
  file_.Close();
}

}  // namespace win32
