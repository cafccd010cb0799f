// The echo service a probe runs on, as whole tasks: the socket layer, binding the echo library,
// echo handles, addresses and one echo at a time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace probe {

// What binding the echo service came to.
enum class BindResult { Bound, LibraryMissing, EntryPointMissing, SocketDenied };

// One echo's outcome as the service reports it.
struct EchoReply {
  std::int32_t Status = 0;         // 0: an echo reply came; else the service's error code
                                   // (11010 = timed out, as on Windows)
  std::uint32_t Address = 0;       // the replying address, network byte order
  std::int32_t RoundTripTime = 0;  // milliseconds
  std::uint8_t Ttl = 0;            // time-to-live of the reply
};

using EchoHandle = std::uintptr_t;  // opaque; one per run

class EchoService {
 public:
  virtual ~EchoService() = default;
  // The socket layer: 0 on success, with the granted version (major in the low byte).
  virtual int StartSockets(std::uint16_t requested, std::uint16_t& granted) = 0;
  virtual void StopSockets() = 0;
  // Loads the echo library (or checks that echo sockets may be opened) and binds its entry
  // points, all three always looked up, in the order IcmpCreateFile, IcmpCloseHandle,
  // IcmpSendEcho.
  virtual BindResult BindEchoLibrary() = 0;
  virtual EchoHandle OpenEcho() = 0;
  virtual void CloseEcho(EchoHandle handle) = 0;
  // inet_addr's rules: the address in network byte order, 0xFFFFFFFF when no dotted address.
  virtual std::uint32_t ParseAddress(const std::string& text) = 0;
  // The first IPv4 address of a name, or none when it cannot be resolved.
  virtual std::optional<std::uint32_t> LookUp(const std::string& name) = 0;
  // Sends one echo carrying `data` with time-to-live `ttl` and waits up to timeoutMs for its
  // reply. With no reply the status is the platform's error code (WSAGetLastError on Windows).
  virtual EchoReply SendEcho(EchoHandle handle, std::uint32_t target,
                             const std::vector<unsigned char>& data, std::uint8_t ttl,
                             std::uint32_t timeoutMs) = 0;

  // The service that probes built from now on use; set by the entry, or by a test.
  static void Install(EchoService* service);
  static EchoService& Installed();
};
}  // namespace probe
