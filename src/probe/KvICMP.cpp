// TKvICMP: the echo probe.
#include "probe/KvICMP.h"

#include <cstring>
#include <vector>

#include "base/Text.h"
#include "framework/Application.h"

namespace probe {

namespace {

constexpr std::uint16_t kWinsock11 = 0x0101;
constexpr std::uint32_t kNoAddress = 0xFFFFFFFF;
// The platform takes the address as a zero-terminated text in a buffer of 257 bytes.
constexpr std::size_t kMaxAddressLength = 256;
constexpr unsigned char kRequestFill = 0xA7;
constexpr std::uint32_t kPauseStepMs = 10;

// The dotted text of an address in network byte order: its bytes in memory order.
std::string DottedText(std::uint32_t address) {
  unsigned char bytes[4];
  std::memcpy(bytes, &address, sizeof bytes);
  return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." +
         std::to_string(bytes[2]) + "." + std::to_string(bytes[3]);
}

// The message of a failed binding.
const char* BindFailureText(BindResult result) {
  switch (result) {
    case BindResult::LibraryMissing:
      return "必要なファイル ICMP.DLL が見つかりません。";
    case BindResult::SocketDenied:
      return "ICMP ソケットを開けません。net.ipv4.ping_group_range の設定を確認してください。";
    case BindResult::Bound:
    case BindResult::EntryPointMissing:
      break;
  }
  return "ICMP.DLL のプロセスを取得出来ません。";
}

// Closes the run's echo handle however the run ends.
class EchoHandleOwner {
 public:
  explicit EchoHandleOwner(EchoService& service) : service_(service), handle_(service.OpenEcho()) {}
  EchoHandleOwner(const EchoHandleOwner&) = delete;
  EchoHandleOwner& operator=(const EchoHandleOwner&) = delete;
  ~EchoHandleOwner() { service_.CloseEcho(handle_); }
  EchoHandle Get() const { return handle_; }

 private:
  EchoService& service_;
  EchoHandle handle_;
};

}  // namespace

EICMPError::EICMPError(std::string message)
    : base::Exception(std::move(message), VORLIX_CALLER_ADDRESS()) {}

TKvICMP::TKvICMP(fw::TComponent* AOwner)
    : fw::TComponent(AOwner), service_(EchoService::Installed()) {
  std::uint16_t granted = 0;
  if (service_.StartSockets(kWinsock11, granted) != 0) {
    throw EICMPError("Winsock の初期化が出来ませんでした。");
  }
  try {
    if (granted != kWinsock11) {
      throw EICMPError("Winsock が v1.1 互換で動作できません。");
    }
    LoadIcmpLibrary();
  } catch (...) {
    service_.StopSockets();
    throw;
  }
}

TKvICMP::~TKvICMP() {
  service_.StopSockets();
}

void TKvICMP::LoadIcmpLibrary() {
  const BindResult result = service_.BindEchoLibrary();
  if (result != BindResult::Bound) {
    throw EICMPError(BindFailureText(result));
  }
}

void TKvICMP::Ping() {
  const std::string name = base::TrimText(Address);
  // A text too long for the platform's buffer is neither parsed nor looked up: every echo of
  // the run then reports a failed lookup.
  const bool usable = name.size() <= kMaxAddressLength;
  std::uint32_t target = usable ? service_.ParseAddress(name) : kNoAddress;
  Cancel = false;

  const std::uint8_t ttl = TTL;
  EchoHandleOwner handle(service_);
  const std::vector<unsigned char> request(static_cast<std::size_t>(BlockSize), kRequestFill);

  for (std::int32_t left = NumberOfPings; left > 0; --left) {
    if (Cancel) {
      break;
    }
    fw::Application->ProcessMessages();

    bool resolved = true;
    if (target == kNoAddress) {
      std::optional<std::uint32_t> found;
      if (usable) {
        found = service_.LookUp(name);
      }
      if (found) {
        target = *found;
      } else {
        resolved = false;
        if (OnReply) {
          OnReply(this, -1, "0.0.0.0", 0, 0);
        }
      }
    }

    if (resolved) {
      // A negative timeout would be an unsigned wait of nearly 2^32 ms: wait not at all.
      const std::uint32_t wait = Timeout < 0 ? 0 : static_cast<std::uint32_t>(Timeout);
      const EchoReply reply = service_.SendEcho(handle.Get(), target, request, ttl, wait);
      if (OnReply) {
        OnReply(this, reply.Status, DottedText(reply.Address), reply.RoundTripTime, reply.Ttl);
      }
    }

    Pause();
  }
}

void TKvICMP::Pause() {
  fw::Clock& clock = fw::Application->Clocks();
  const std::uint32_t start = clock.Ticks();
  for (;;) {
    // Unsigned subtraction keeps the difference right across the counter's wrap at 2^32.
    const std::uint32_t elapsed = clock.Ticks() - start;
    if (static_cast<std::int64_t>(elapsed) >= Delay || Cancel) {
      return;
    }
    fw::Application->ProcessMessages();
    clock.Sleep(kPauseStepMs);
  }
}

}  // namespace probe
