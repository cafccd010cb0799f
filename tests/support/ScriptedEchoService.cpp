// An echo service that follows a script.
#include "ScriptedEchoService.h"

#include <cstdio>

namespace headless {

std::uint32_t ScriptedEchoService::Address(int a, int b, int c, int d) {
  // Network byte order: the first octet in the lowest byte on a little-endian machine.
  return static_cast<std::uint32_t>(a) | static_cast<std::uint32_t>(b) << 8 |
         static_cast<std::uint32_t>(c) << 16 | static_cast<std::uint32_t>(d) << 24;
}

std::string ScriptedEchoService::DottedText(std::uint32_t address) {
  char text[20];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", address & 0xFF, address >> 8 & 0xFF,
                address >> 16 & 0xFF, address >> 24 & 0xFF);
  return text;
}

int ScriptedEchoService::StartSockets(std::uint16_t requested, std::uint16_t& granted) {
  char text[32];
  std::snprintf(text, sizeof text, "StartSockets %04X", requested);
  Calls.emplace_back(text);
  granted = GrantedVersion;
  return StartupResult;
}

void ScriptedEchoService::StopSockets() {
  Calls.emplace_back("StopSockets");
  ++Cleanups;
}

probe::BindResult ScriptedEchoService::BindEchoLibrary() {
  Calls.emplace_back("BindEchoLibrary");
  if (!LibraryPresent) {
    return probe::BindResult::LibraryMissing;
  }
  if (SocketsDenied) {
    return probe::BindResult::SocketDenied;
  }
  if (!MissingEntryPoints.empty()) {
    return probe::BindResult::EntryPointMissing;
  }
  return probe::BindResult::Bound;
}

probe::EchoHandle ScriptedEchoService::OpenEcho() {
  Calls.emplace_back("OpenEcho");
  ++OpenHandles;
  handles_.insert(nextHandle_);
  return nextHandle_++;
}

void ScriptedEchoService::CloseEcho(probe::EchoHandle handle) {
  Calls.emplace_back("CloseEcho");
  if (handles_.erase(handle) == 1) {
    --OpenHandles;
  }
}

std::uint32_t ScriptedEchoService::ParseAddress(const std::string& text) {
  Calls.emplace_back("ParseAddress " + text);
  unsigned a, b, c, d;
  char tail;
  if (std::sscanf(text.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) == 4 && a < 256 &&
      b < 256 && c < 256 && d < 256) {
    return Address(static_cast<int>(a), static_cast<int>(b), static_cast<int>(c),
                   static_cast<int>(d));
  }
  return 0xFFFFFFFF;
}

std::optional<std::uint32_t> ScriptedEchoService::LookUp(const std::string& name) {
  Calls.emplace_back("LookUp " + name);
  auto found = Names.find(name);
  if (found == Names.end()) {
    return std::nullopt;
  }
  return found->second;
}

probe::EchoReply ScriptedEchoService::SendEcho(probe::EchoHandle, std::uint32_t target,
                                               const std::vector<unsigned char>& data,
                                               std::uint8_t ttl, std::uint32_t timeoutMs) {
  Calls.emplace_back("SendEcho " + DottedText(target));
  Sent.push_back(SentEcho{target, data, ttl, timeoutMs, backend_.Clock()});
  HostScript script;
  script.Answers = false;
  auto found = Hosts.find(target);
  if (found != Hosts.end()) {
    script = found->second;
  }
  if (!script.Answers || script.DelayMs > timeoutMs) {
    backend_.AdvanceClock(timeoutMs);
    return probe::EchoReply{StatusOnTimeout, 0, 0, 0};
  }
  backend_.AdvanceClock(script.DelayMs);
  return probe::EchoReply{script.Status, target, static_cast<std::int32_t>(script.DelayMs), 64};
}

}  // namespace headless
