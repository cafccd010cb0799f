// The echo service over Windows Sockets 1.1 and ICMP.DLL.
#include "platform/win32/Win32EchoService.h"

#include "platform/win32/Win32.h"

// Windows Sockets 1.1: winsock.h, not winsock2.h, matching wsock32. Both need windows.h first.
#include <winsock.h>

#include <ipexport.h>

#include <cstring>

namespace win32 {

namespace {

using IcmpCreateFileFn = HANDLE(WINAPI*)();
using IcmpCloseHandleFn = BOOL(WINAPI*)(HANDLE);
using IcmpSendEchoFn = DWORD(WINAPI*)(HANDLE, IPAddr, LPVOID, WORD, PIP_OPTION_INFORMATION, LPVOID,
                                      DWORD, DWORD);

// Entry points come from GetProcAddress as FARPROC and are kept as plain pointers.
template <class Fn>
Fn As(void* entry) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(entry));
}

}  // namespace

int Win32EchoService::WSAStartup(std::uint16_t requested, std::uint16_t& granted) {
  WSADATA data{};
  const int result = ::WSAStartup(requested, &data);
  granted = data.wVersion;
  return result;
}

void Win32EchoService::WSACleanup() {
  ::WSACleanup();
}

int Win32EchoService::WSAGetLastError() {
  return ::WSAGetLastError();
}

std::uint32_t Win32EchoService::InetAddr(const char* text) {
  return ::inet_addr(text);
}

std::optional<std::uint32_t> Win32EchoService::GetHostByName(const char* name) {
  const hostent* host = ::gethostbyname(name);
  if (host == nullptr || host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr ||
      host->h_length != 4) {
    return std::nullopt;
  }
  std::uint32_t address;
  std::memcpy(&address, host->h_addr_list[0], sizeof address);
  return address;
}

std::string Win32EchoService::InetNtoa(std::uint32_t address) {
  in_addr value{};
  value.s_addr = address;
  const char* text = ::inet_ntoa(value);
  return text != nullptr ? std::string(text) : std::string();
}

probe::EchoService::Module Win32EchoService::LoadLibraryA(const char* name) {
  return ::LoadLibraryA(name);
}

probe::EchoService::EntryPoint Win32EchoService::GetProcAddress(Module module, const char* name) {
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), name));
}

probe::EchoService::EchoHandle Win32EchoService::IcmpCreateFile(EntryPoint entry) {
  return As<IcmpCreateFileFn>(entry)();
}

void Win32EchoService::IcmpCloseHandle(EntryPoint entry, EchoHandle handle) {
  As<IcmpCloseHandleFn>(entry)(handle);
}

std::uint32_t Win32EchoService::IcmpSendEcho(EntryPoint entry, EchoHandle handle,
                                             std::uint32_t target, const void* request,
                                             std::uint16_t requestSize,
                                             const probe::IpOptions& options, void* reply,
                                             std::uint32_t replySize, std::uint32_t timeoutMs) {
  IP_OPTION_INFORMATION information{};
  information.Ttl = options.Ttl;
  information.Tos = options.Tos;
  information.Flags = options.Flags;
  information.OptionsSize = options.OptionsSize;
  information.OptionsData = nullptr;
  return As<IcmpSendEchoFn>(entry)(handle, target, const_cast<void*>(request), requestSize,
                                   &information, reply, replySize, timeoutMs);
}

std::size_t Win32EchoService::ReplyRecordSize() const {
  return sizeof(ICMP_ECHO_REPLY);
}

probe::EchoReply Win32EchoService::ReadReply(const void* reply) const {
  ICMP_ECHO_REPLY record;
  std::memcpy(&record, reply, sizeof record);
  return probe::EchoReply{record.Address, record.Status, record.RoundTripTime, record.Options.Ttl};
}

void Win32EchoService::WriteReplyStatus(void* reply, std::uint32_t status) const {
  const ULONG value = status;
  std::memcpy(static_cast<unsigned char*>(reply) + offsetof(ICMP_ECHO_REPLY, Status), &value,
              sizeof value);
}

std::uint32_t Win32EchoService::GetTickCount() {
  return ::GetTickCount();
}

void Win32EchoService::Sleep(std::uint32_t ms) {
  ::Sleep(ms);
}

}  // namespace win32
