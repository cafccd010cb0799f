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
  std::uint16_t RequestSize;
  std::uint8_t Ttl;
  std::uint32_t ReplySize;
  std::uint32_t Timeout;
  std::uint32_t Clock;  // the multimedia clock when it was sent
};

// How a host answers: after DelayMs with Status, or never.
struct HostScript {
  std::uint32_t DelayMs = 0;
  bool Answers = true;
  std::uint32_t Status = 0;
};

class ScriptedEchoService : public probe::EchoService {
 public:
  // Sleeping and blocking sends move the back end's clock too, when one is given.
  explicit ScriptedEchoService(HeadlessBackend* backend = nullptr) : backend_(backend) {}

  // --- the script ---
  int StartupResult = 0;
  std::uint16_t GrantedVersion = 0x0101;
  bool LibraryPresent = true;
  std::set<std::string> MissingEntryPoints;
  std::map<std::string, std::uint32_t> Names;  // host names that resolve
  std::map<std::uint32_t, HostScript> Hosts;   // by address in network byte order
  int LastErrorOnTimeout = 11010;
  std::uint32_t Ticks = 0;

  // --- what happened ---
  std::vector<std::string> Calls;
  std::vector<SentEcho> Sent;
  int OpenHandles = 0;
  int Cleanups = 0;

  static std::uint32_t Address(int a, int b, int c, int d);

  int WSAStartup(std::uint16_t requested, std::uint16_t& granted) override;
  void WSACleanup() override;
  int WSAGetLastError() override { return lastError_; }
  std::uint32_t InetAddr(const char* text) override;
  std::optional<std::uint32_t> GetHostByName(const char* name) override;
  std::string InetNtoa(std::uint32_t address) override;
  Module LoadLibraryA(const char* name) override;
  EntryPoint GetProcAddress(Module module, const char* name) override;
  EchoHandle IcmpCreateFile(EntryPoint entry) override;
  void IcmpCloseHandle(EntryPoint entry, EchoHandle handle) override;
  std::uint32_t IcmpSendEcho(EntryPoint entry, EchoHandle handle, std::uint32_t target,
                             const void* request, std::uint16_t requestSize,
                             const probe::IpOptions& options, void* reply, std::uint32_t replySize,
                             std::uint32_t timeoutMs) override;
  std::size_t ReplyRecordSize() const override { return 40; }
  probe::EchoReply ReadReply(const void* reply) const override;
  void WriteReplyStatus(void* reply, std::uint32_t status) const override;
  std::uint32_t GetTickCount() override { return Ticks; }
  void Sleep(std::uint32_t ms) override;

 private:
  void Pass(std::uint32_t ms);

  HeadlessBackend* backend_;
  int lastError_ = 0;
  int nextHandle_ = 1;
  std::set<std::uintptr_t> handles_;
};

}  // namespace headless
