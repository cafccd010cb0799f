// TKvICMP: a component that sends ICMP echo requests to one host and reports each outcome.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/Exception.h"
#include "framework/Component.h"
#include "probe/EchoService.h"

namespace probe {

class EICMPError : public base::Exception {
 public:
  VORLIX_NOINLINE explicit EICMPError(std::string message);
  const char* ClassName() const override { return "EICMPError"; }
};

using TOnReply =
    std::function<void(fw::TObject* Sender, std::int32_t Status, const std::string& IPAddress,
                       std::int32_t RTT, std::uint8_t TTL)>;

class TKvICMP : public fw::TComponent {
 public:
  // Starts the socket layer and binds the echo library; fails with EICMPError.
  explicit TKvICMP(fw::TComponent* AOwner);
  ~TKvICMP() override;

  // One run of NumberOfPings echoes to Address, each reported through OnReply and followed by a
  // pause of Delay milliseconds that lets pending window messages through.
  void Ping();

  TOnReply OnReply;
  std::string Address;
  std::int32_t BlockSize = 64;
  std::uint8_t TTL = 255;
  std::int32_t Timeout = 5000;
  std::int32_t Delay = 1000;
  std::int32_t NumberOfPings = 3;
  bool Cancel = false;

 private:
  // Binds the echo library; fails with EICMPError, saying which step failed.
  void LoadIcmpLibrary();
  void Pause();

  EchoService& service_;
};

}  // namespace probe
