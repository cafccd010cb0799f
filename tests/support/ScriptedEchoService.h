// An echo service that follows a script: which hosts answer, after how long, and what the
// platform grants; it records every call.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "HeadlessBackend.h"
#include "probe/EchoService.h"

namespace headless {

struct SentEcho {
  std::uint32_t Target;
  std::vector<unsigned char> Request;
  std::uint8_t Ttl;
  std::uint32_t Timeout;
  std::uint32_t Clock;  // the millisecond clock when it was sent
};

// How a host answers: after DelayMs with Status, or never.
struct HostScript {
  std::uint32_t DelayMs = 0;
  bool Answers = true;
  std::int32_t Status = 0;
};

class ScriptedEchoService : public probe::EchoService {
 public:
  // A blocking send moves the back end's clocks on by the time it waits.
  explicit ScriptedEchoService(HeadlessBackend& backend) : backend_(backend) {}

  // --- the script ---
  int StartupResult = 0;
  std::uint16_t GrantedVersion = 0x0101;
  bool LibraryPresent = true;
  std::set<std::string> MissingEntryPoints;    // of the echo library, by name
  bool SocketsDenied = false;                  // echo sockets may not be opened
  std::map<std::string, std::uint32_t> Names;  // host names that resolve
  std::map<std::uint32_t, HostScript> Hosts;   // by address in network byte order
  std::int32_t StatusOnTimeout = 11010;

  // --- what happened ---
  std::vector<std::string> Calls;
  std::vector<SentEcho> Sent;
  int OpenHandles = 0;
  int Cleanups = 0;

  static std::uint32_t Address(int a, int b, int c, int d);
  static std::string DottedText(std::uint32_t address);

  int StartSockets(std::uint16_t requested, std::uint16_t& granted) override;
  void StopSockets() override;
  probe::BindResult BindEchoLibrary() override;
  probe::EchoHandle OpenEcho() override;
  void CloseEcho(probe::EchoHandle handle) override;
  std::uint32_t ParseAddress(const std::string& text) override;
  std::optional<std::uint32_t> LookUp(const std::string& name) override;
  probe::EchoReply SendEcho(probe::EchoHandle handle, std::uint32_t target,
                            const std::vector<unsigned char>& data, std::uint8_t ttl,
                            std::uint32_t timeoutMs) override;

 private:
  HeadlessBackend& backend_;
  probe::EchoHandle nextHandle_ = 1;
  std::set<probe::EchoHandle> handles_;
};

}  // namespace headless
