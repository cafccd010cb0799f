// The echo service over the kernel's ICMP sockets, a datagram one where the process may open
// it, else a raw one.
#pragma once

#include "platform/posix/EchoSocket.h"
#include "probe/EchoService.h"

namespace posix {

// An echo handle is the run's socket descriptor. Echoes carry the sequence numbers 1, 2, ... in
// the order the service sends them, so a reply is told from those to other runs.
class IcmpEchoService : public probe::EchoService {
 public:
  // kind = Any picks the socket as the program does; tests force one of the two kinds.
  explicit IcmpEchoService(SocketKind kind = SocketKind::Any) : kind_(kind) {}

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
  SocketKind kind_;
  std::uint16_t sequence_ = 0;
};

}  // namespace posix
