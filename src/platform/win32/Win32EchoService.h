// The echo service over Windows Sockets 1.1 and ICMP.DLL, both bound at run time from the
// system folder.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "probe/EchoService.h"

namespace win32 {

class Win32EchoService : public probe::EchoService {
 public:
  // The echo library is ICMP.DLL; the tests name another to see a binding fail.
  explicit Win32EchoService(const char* library = "ICMP.DLL");
  ~Win32EchoService() override;

  // Binds Winsock from the system's WSOCK32.DLL first; raises EICMPError when it is missing.
  int StartSockets(std::uint16_t requested, std::uint16_t& granted) override;
  void StopSockets() override;
  // Loads the library, then looks up IcmpCreateFile, IcmpCloseHandle and IcmpSendEcho, in this
  // order and always all three. The library stays loaded whatever the result.
  probe::BindResult BindEchoLibrary() override;
  probe::EchoHandle OpenEcho() override;
  void CloseEcho(probe::EchoHandle handle) override;
  std::uint32_t ParseAddress(const std::string& text) override;
  std::optional<std::uint32_t> LookUp(const std::string& name) override;
  probe::EchoReply SendEcho(probe::EchoHandle handle, std::uint32_t target,
                            const std::vector<unsigned char>& data, std::uint8_t ttl,
                            std::uint32_t timeoutMs) override;

  // The reply buffer for an echo of that many data bytes: one reply record, the echoed data,
  // and room for an ICMP error message.
  static std::size_t ReplyBufferSize(std::size_t dataSize);

 private:
  // The functions bound from each library; their types are known where they are called.
  struct Winsock;
  struct EchoLibrary;

  const char* library_;
  std::unique_ptr<Winsock> winsock_;
  std::unique_ptr<EchoLibrary> echo_;
  // Kept from echo to echo, and not cleared before one, as the platform's record is.
  std::vector<unsigned char> reply_;
};

}  // namespace win32
