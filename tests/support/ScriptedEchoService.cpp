// An echo service that follows a script.
#include "ScriptedEchoService.h"

#include <cstdio>
#include <cstring>

namespace headless {

namespace {

// The scripted reply record at the start of the reply buffer.
struct Record {
  std::uint32_t Address;
  std::uint32_t Status;
  std::uint32_t RoundTripTime;
  std::uint8_t Ttl;
};

int entryToken;  // entry points are addresses of this token, offset by their index

}  // namespace

std::uint32_t ScriptedEchoService::Address(int a, int b, int c, int d) {
  // Network byte order: the first octet in the lowest byte on a little-endian machine.
  return static_cast<std::uint32_t>(a) | static_cast<std::uint32_t>(b) << 8 |
         static_cast<std::uint32_t>(c) << 16 | static_cast<std::uint32_t>(d) << 24;
}

int ScriptedEchoService::WSAStartup(std::uint16_t requested, std::uint16_t& granted) {
  char text[32];
  std::snprintf(text, sizeof text, "WSAStartup %04X", requested);
  Calls.push_back(text);
  granted = GrantedVersion;
  return StartupResult;
}

void ScriptedEchoService::WSACleanup() {
  Calls.push_back("WSACleanup");
  ++Cleanups;
}

std::uint32_t ScriptedEchoService::InetAddr(const char* text) {
  Calls.push_back(std::string("inet_addr ") + text);
  unsigned a, b, c, d;
  char tail;
  if (std::sscanf(text, "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) == 4 && a < 256 && b < 256 &&
      c < 256 && d < 256) {
    return Address(static_cast<int>(a), static_cast<int>(b), static_cast<int>(c),
                   static_cast<int>(d));
  }
  return 0xFFFFFFFF;
}

std::optional<std::uint32_t> ScriptedEchoService::GetHostByName(const char* name) {
  Calls.push_back(std::string("gethostbyname ") + name);
  auto found = Names.find(name);
  if (found == Names.end()) {
    return std::nullopt;
  }
  return found->second;
}

std::string ScriptedEchoService::InetNtoa(std::uint32_t address) {
  char text[20];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", address & 0xFF, address >> 8 & 0xFF,
                address >> 16 & 0xFF, address >> 24 & 0xFF);
  return text;
}

probe::EchoService::Module ScriptedEchoService::LoadLibraryA(const char* name) {
  Calls.push_back(std::string("LoadLibrary ") + name);
  return LibraryPresent ? static_cast<void*>(&entryToken) : nullptr;
}

probe::EchoService::EntryPoint ScriptedEchoService::GetProcAddress(Module, const char* name) {
  Calls.push_back(std::string("GetProcAddress ") + name);
  if (MissingEntryPoints.count(name) != 0) {
    return nullptr;
  }
  return &entryToken;
}

probe::EchoService::EchoHandle ScriptedEchoService::IcmpCreateFile(EntryPoint) {
  Calls.push_back("IcmpCreateFile");
  ++OpenHandles;
  auto handle = static_cast<std::uintptr_t>(nextHandle_++);
  handles_.insert(handle);
  return reinterpret_cast<EchoHandle>(handle);
}

void ScriptedEchoService::IcmpCloseHandle(EntryPoint, EchoHandle handle) {
  Calls.push_back("IcmpCloseHandle");
  if (handles_.erase(reinterpret_cast<std::uintptr_t>(handle)) == 1) {
    --OpenHandles;
  }
}

std::uint32_t ScriptedEchoService::IcmpSendEcho(EntryPoint, EchoHandle, std::uint32_t target,
                                                const void* request, std::uint16_t requestSize,
                                                const probe::IpOptions& options, void* reply,
                                                std::uint32_t replySize, std::uint32_t timeoutMs) {
  Calls.push_back("IcmpSendEcho " + InetNtoa(target));
  const auto* bytes = static_cast<const unsigned char*>(request);
  Sent.push_back(SentEcho{target, std::vector<unsigned char>(bytes, bytes + requestSize),
                          requestSize, options.Ttl, replySize, timeoutMs,
                          backend_ != nullptr ? backend_->Clock() : 0});
  HostScript script;
  script.Answers = false;
  auto found = Hosts.find(target);
  if (found != Hosts.end()) {
    script = found->second;
  }
  if (!script.Answers || script.DelayMs > timeoutMs) {
    Pass(timeoutMs);
    lastError_ = LastErrorOnTimeout;
    return 0;
  }
  Pass(script.DelayMs);
  Record record{target, script.Status, script.DelayMs, 64};
  std::memcpy(reply, &record, sizeof record);
  return 1;
}

probe::EchoReply ScriptedEchoService::ReadReply(const void* reply) const {
  Record record;
  std::memcpy(&record, reply, sizeof record);
  return probe::EchoReply{record.Address, record.Status, record.RoundTripTime, record.Ttl};
}

void ScriptedEchoService::WriteReplyStatus(void* reply, std::uint32_t status) const {
  std::memcpy(static_cast<unsigned char*>(reply) + offsetof(Record, Status), &status,
              sizeof status);
}

void ScriptedEchoService::Sleep(std::uint32_t ms) {
  Calls.push_back("Sleep");
  Pass(ms);
}

void ScriptedEchoService::Pass(std::uint32_t ms) {
  Ticks += ms;
  if (backend_ != nullptr) {
    backend_->AdvanceClock(ms);
  }
}

}  // namespace headless
