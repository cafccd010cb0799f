// The echo service over Windows Sockets 1.1 and ICMP.DLL.
#include "platform/win32/Win32EchoService.h"

#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32.h"
#include "probe/KvICMP.h"

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

HANDLE AsHandle(probe::EchoHandle handle) {
  return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

// Windows Sockets 1.1, bound from the system's WSOCK32.DLL.
struct Win32EchoService::Winsock {
  SystemLibrary library{"WSOCK32.DLL"};
  decltype(&::WSAStartup) startup = nullptr;
  decltype(&::WSACleanup) cleanup = nullptr;
  decltype(&::WSAGetLastError) lastError = nullptr;
  decltype(&::inet_addr) parseAddress = nullptr;
  decltype(&::gethostbyname) lookUp = nullptr;

  bool Bind() {
    return library.Find(startup, "WSAStartup") && library.Find(cleanup, "WSACleanup") &&
           library.Find(lastError, "WSAGetLastError") && library.Find(parseAddress, "inet_addr") &&
           library.Find(lookUp, "gethostbyname");
  }
};

// The echo library and its three entry points.
struct Win32EchoService::EchoLibrary {
  explicit EchoLibrary(const char* name) : library(name) {}
  SystemLibrary library;
  IcmpCreateFileFn createFile = nullptr;
  IcmpCloseHandleFn closeHandle = nullptr;
  IcmpSendEchoFn sendEcho = nullptr;
};

Win32EchoService::Win32EchoService(const char* library) : library_(library) {}

Win32EchoService::~Win32EchoService() = default;

int Win32EchoService::StartSockets(std::uint16_t requested, std::uint16_t& granted) {
  if (!winsock_) {
    auto winsock = std::make_unique<Winsock>();
    if (!winsock->Bind()) {
      throw probe::EICMPError(winsock->library.MissingText());
    }
    winsock_ = std::move(winsock);
  }
  WSADATA data{};
  const int result = winsock_->startup(requested, &data);
  granted = data.wVersion;
  return result;
}

void Win32EchoService::StopSockets() {
  winsock_->cleanup();
}

probe::BindResult Win32EchoService::BindEchoLibrary() {
  echo_ = std::make_unique<EchoLibrary>(library_);
  if (!echo_->library.Loaded()) {
    return probe::BindResult::LibraryMissing;
  }
  // Always all three, in this order, whatever the first ones give.
  const bool createFile = echo_->library.Find(echo_->createFile, "IcmpCreateFile");
  const bool closeHandle = echo_->library.Find(echo_->closeHandle, "IcmpCloseHandle");
  const bool sendEcho = echo_->library.Find(echo_->sendEcho, "IcmpSendEcho");
  if (!(createFile && closeHandle && sendEcho)) {
    return probe::BindResult::EntryPointMissing;
  }
  return probe::BindResult::Bound;
}

probe::EchoHandle Win32EchoService::OpenEcho() {
  return reinterpret_cast<probe::EchoHandle>(echo_->createFile());
}

void Win32EchoService::CloseEcho(probe::EchoHandle handle) {
  echo_->closeHandle(AsHandle(handle));
}

std::uint32_t Win32EchoService::ParseAddress(const std::string& text) {
  return winsock_->parseAddress(text.c_str());
}

std::optional<std::uint32_t> Win32EchoService::LookUp(const std::string& name) {
  const hostent* host = winsock_->lookUp(name.c_str());
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
  const DWORD count =
      echo_->sendEcho(AsHandle(handle), target, const_cast<unsigned char*>(data.data()),
                      static_cast<WORD>(data.size()), &options, reply_.data(),
                      static_cast<DWORD>(reply_.size()), timeoutMs);
  // With no reply, the status is the reason the thread's last error gives, taken at once.
  const int failure = count == 0 ? winsock_->lastError() : 0;
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
