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

// Room behind the echoed data for an ICMP error message, as the platform asks.
constexpr std::size_t kIcmpErrorRoom = 8;

template <class Fn, class Entry>
Fn As(Entry entry) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(entry));
}

HANDLE AsHandle(probe::EchoHandle handle) {
  return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

int Win32EchoService::StartSockets(std::uint16_t requested, std::uint16_t& granted) {
  WSADATA data{};
  const int result = WSAStartup(requested, &data);
  granted = data.wVersion;
  return result;
}

void Win32EchoService::StopSockets() {
  WSACleanup();
}

probe::BindResult Win32EchoService::BindEchoLibrary() {
  HMODULE module = LoadLibraryA(library_);
  if (module == nullptr) {
    return probe::BindResult::LibraryMissing;
  }
  createFile_ = As<EntryPoint>(GetProcAddress(module, "IcmpCreateFile"));
  closeHandle_ = As<EntryPoint>(GetProcAddress(module, "IcmpCloseHandle"));
  sendEcho_ = As<EntryPoint>(GetProcAddress(module, "IcmpSendEcho"));
  if (createFile_ == nullptr || closeHandle_ == nullptr || sendEcho_ == nullptr) {
    return probe::BindResult::EntryPointMissing;
  }
  return probe::BindResult::Bound;
}

probe::EchoHandle Win32EchoService::OpenEcho() {
  return reinterpret_cast<probe::EchoHandle>(As<IcmpCreateFileFn>(createFile_)());
}

void Win32EchoService::CloseEcho(probe::EchoHandle handle) {
  As<IcmpCloseHandleFn>(closeHandle_)(AsHandle(handle));
}

std::uint32_t Win32EchoService::ParseAddress(const std::string& text) {
  return inet_addr(text.c_str());
}

std::optional<std::uint32_t> Win32EchoService::LookUp(const std::string& name) {
  const hostent* host = gethostbyname(name.c_str());
  if (host == nullptr || host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr ||
      host->h_length != 4) {
    return std::nullopt;
  }
  std::uint32_t address;
  std::memcpy(&address, host->h_addr_list[0], sizeof address);
  return address;
}

std::size_t Win32EchoService::ReplyBufferSize(std::size_t dataSize) {
  return sizeof(ICMP_ECHO_REPLY) + dataSize + kIcmpErrorRoom;
}

probe::EchoReply Win32EchoService::SendEcho(probe::EchoHandle handle, std::uint32_t target,
                                            const std::vector<unsigned char>& data,
                                            std::uint8_t ttl, std::uint32_t timeoutMs) {
  IP_OPTION_INFORMATION options{};
  options.Ttl = ttl;
  reply_.resize(ReplyBufferSize(data.size()));
  const DWORD count = As<IcmpSendEchoFn>(sendEcho_)(
      AsHandle(handle), target, const_cast<unsigned char*>(data.data()),
      static_cast<WORD>(data.size()), &options, reply_.data(), static_cast<DWORD>(reply_.size()),
      timeoutMs);
  // With no reply, the status is the reason the thread's last error gives, taken at once.
  const int failure = count == 0 ? WSAGetLastError() : 0;
  ICMP_ECHO_REPLY record;
  std::memcpy(&record, reply_.data(), sizeof record);
  probe::EchoReply reply;
  reply.Status = count == 0 ? failure : static_cast<std::int32_t>(record.Status);
  reply.Address = record.Address;
  reply.RoundTripTime = static_cast<std::int32_t>(record.RoundTripTime);
  reply.Ttl = record.Options.Ttl;
  return reply;
}

}  // namespace win32
