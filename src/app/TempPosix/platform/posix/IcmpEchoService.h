// TEMPORARY stand-in until the posix work lands (dropped at its merge): the echo service of
// today's probe interface over a datagram ICMP socket, just enough to run the GTK program.
#pragma once

#include "probe/EchoService.h"

namespace posix {

class IcmpEchoService : public probe::EchoService {
 public:
  int WSAStartup(std::uint16_t requested, std::uint16_t& granted) override;
  void WSACleanup() override {}
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
  std::size_t ReplyRecordSize() const override;
  probe::EchoReply ReadReply(const void* reply) const override;
  void WriteReplyStatus(void* reply, std::uint32_t status) const override;
  std::uint32_t GetTickCount() override;
  void Sleep(std::uint32_t ms) override;

 private:
  int lastError_ = 0;
  std::uint16_t sequence_ = 0;
};

}  // namespace posix
