// The platform services an echo probe runs on: the socket layer, the echo library, the tick
// counter and sleeping.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace probe {

// The IP option information sent with every echo.
struct IpOptions {
  std::uint8_t Ttl = 0;
  std::uint8_t Tos = 0;
  std::uint8_t Flags = 0;
  std::uint8_t OptionsSize = 0;
};

// The fields of the platform's echo reply record that the probe reads.
struct EchoReply {
  std::uint32_t Address = 0;  // network byte order
  std::uint32_t Status = 0;
  std::uint32_t RoundTripTime = 0;
  std::uint8_t Ttl = 0;
};

class EchoService {
 public:
  using Module = void*;
  using EntryPoint = void*;
  using EchoHandle = void*;

  virtual ~EchoService() = default;

  // Socket layer: 0 on success, with the granted version (major in the low byte).
  virtual int WSAStartup(std::uint16_t requested, std::uint16_t& granted) = 0;
  virtual void WSACleanup() = 0;
  virtual int WSAGetLastError() = 0;
  virtual std::uint32_t InetAddr(const char* text) = 0;
  // The first address of the host entry, or none when the name cannot be resolved.
  virtual std::optional<std::uint32_t> GetHostByName(const char* name) = 0;
  virtual std::string InetNtoa(std::uint32_t address) = 0;

  // The echo library, bound by name at run time.
  virtual Module LoadLibraryA(const char* name) = 0;
  virtual EntryPoint GetProcAddress(Module module, const char* name) = 0;
  virtual EchoHandle IcmpCreateFile(EntryPoint entry) = 0;
  virtual void IcmpCloseHandle(EntryPoint entry, EchoHandle handle) = 0;
  virtual std::uint32_t IcmpSendEcho(EntryPoint entry, EchoHandle handle, std::uint32_t target,
                                     const void* request, std::uint16_t requestSize,
                                     const IpOptions& options, void* reply, std::uint32_t replySize,
                                     std::uint32_t timeoutMs) = 0;

  // The platform's reply record: its size, and access to the fields the probe uses.
  virtual std::size_t ReplyRecordSize() const = 0;
  virtual EchoReply ReadReply(const void* reply) const = 0;
  virtual void WriteReplyStatus(void* reply, std::uint32_t status) const = 0;

  virtual std::uint32_t GetTickCount() = 0;
  virtual void Sleep(std::uint32_t ms) = 0;

  // The service that probes built from now on use; set by the entry, or by a test.
  static void Install(EchoService* service);
  static EchoService& Installed();
};

}  // namespace probe
