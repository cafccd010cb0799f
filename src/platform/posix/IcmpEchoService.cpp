// The echo service over ICMP sockets.
#include "platform/posix/IcmpEchoService.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

namespace posix {

namespace {

// The descriptor of a handle, and the handle of a socket that could not be opened: sends on it
// fail with the status of a bad handle.
int Descriptor(probe::EchoHandle handle) {
  return static_cast<int>(static_cast<std::intptr_t>(handle));
}

constexpr probe::EchoHandle kNoSocket = static_cast<probe::EchoHandle>(std::intptr_t{-1});

}  // namespace

int IcmpEchoService::StartSockets(std::uint16_t, std::uint16_t& granted) {
  // Nothing to start here; the version the probe asks for is what it gets.
  granted = 0x0101;
  return 0;
}

void IcmpEchoService::StopSockets() {}

probe::BindResult IcmpEchoService::BindEchoLibrary() {
  const int fd = OpenIcmpSocket(kind_);
  if (fd < 0) {
    return probe::BindResult::SocketDenied;
  }
  close(fd);
  return probe::BindResult::Bound;
}

probe::EchoHandle IcmpEchoService::OpenEcho() {
  const int fd = OpenIcmpSocket(kind_);
  return fd < 0 ? kNoSocket : static_cast<probe::EchoHandle>(fd);
}

void IcmpEchoService::CloseEcho(probe::EchoHandle handle) {
  const int fd = Descriptor(handle);
  if (fd >= 0) {
    close(fd);
  }
}

std::uint32_t IcmpEchoService::ParseAddress(const std::string& text) {
  return inet_addr(text.c_str());
}

std::optional<std::uint32_t> IcmpEchoService::LookUp(const std::string& name) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
    return std::nullopt;
  }
  const std::uint32_t address =
      reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
  freeaddrinfo(found);
  return address;
}

probe::EchoReply IcmpEchoService::SendEcho(probe::EchoHandle handle, std::uint32_t target,
                                           const std::vector<unsigned char>& data, std::uint8_t ttl,
                                           std::uint32_t timeoutMs) {
  return ExchangeEcho(Descriptor(handle), target, ++sequence_, data, ttl, timeoutMs);
}

}  // namespace posix
