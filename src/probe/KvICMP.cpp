// TKvICMP: the echo probe.
#include "probe/KvICMP.h"

#include <vector>

#include "base/Text.h"
#include "framework/Application.h"

namespace probe {

namespace {

constexpr std::uint16_t kWinsock11 = 0x0101;
constexpr std::uint32_t kNoAddress = 0xFFFFFFFF;
// The platform takes the address as a zero-terminated text in a buffer of 257 bytes.
constexpr std::size_t kMaxAddressLength = 256;
// Room behind the echoed data for an ICMP error message, as the platform asks.
constexpr std::size_t kIcmpErrorRoom = 8;
constexpr unsigned char kRequestFill = 0xA7;

// Closes the run's echo handle however the run ends.
class EchoHandleOwner {
 public:
  EchoHandleOwner(EchoService& service, EchoService::EntryPoint close,
                  EchoService::EchoHandle handle)
      : service_(service), close_(close), handle_(handle) {}
  EchoHandleOwner(const EchoHandleOwner&) = delete;
  EchoHandleOwner& operator=(const EchoHandleOwner&) = delete;
  ~EchoHandleOwner() { service_.IcmpCloseHandle(close_, handle_); }
  EchoService::EchoHandle Get() const { return handle_; }

 private:
  EchoService& service_;
  EchoService::EntryPoint close_;
  EchoService::EchoHandle handle_;
};

}  // namespace

EICMPError::EICMPError(std::string message)
    : base::Exception(std::move(message), VORLIX_CALLER_ADDRESS()) {}

TKvICMP::TKvICMP(fw::TComponent* AOwner)
    : fw::TComponent(AOwner), service_(EchoService::Installed()) {
  std::uint16_t granted = 0;
  if (service_.WSAStartup(kWinsock11, granted) != 0) {
    throw EICMPError("Winsock の初期化が出来ませんでした。");
  }
  try {
    if (granted != kWinsock11) {
      throw EICMPError("Winsock が v1.1 互換で動作できません。");
    }
    LoadIcmpLibrary();
  } catch (...) {
    service_.WSACleanup();
    throw;
  }
}

TKvICMP::~TKvICMP() {
  service_.WSACleanup();
}

void TKvICMP::LoadIcmpLibrary() {
  library_ = service_.LoadLibraryA("ICMP.DLL");
  if (library_ == nullptr) {
    throw EICMPError("必要なファイル ICMP.DLL が見つかりません。");
  }
  icmpCreateFile_ = service_.GetProcAddress(library_, "IcmpCreateFile");
  icmpCloseHandle_ = service_.GetProcAddress(library_, "IcmpCloseHandle");
  icmpSendEcho_ = service_.GetProcAddress(library_, "IcmpSendEcho");
  if (icmpCreateFile_ == nullptr || icmpCloseHandle_ == nullptr || icmpSendEcho_ == nullptr) {
    throw EICMPError("ICMP.DLL のプロセスを取得出来ません。");
  }
}

void TKvICMP::Ping() {
  const std::string name = base::TrimText(Address);
  // A text too long for the platform's buffer is neither parsed nor looked up: every echo of
  // the run then reports a failed lookup.
  const bool usable = name.size() <= kMaxAddressLength;
  std::uint32_t target = usable ? service_.InetAddr(name.c_str()) : kNoAddress;
  Cancel = false;

  IpOptions options;
  options.Ttl = TTL;

  EchoHandleOwner handle(service_, icmpCloseHandle_, service_.IcmpCreateFile(icmpCreateFile_));
  const std::size_t blockSize = static_cast<std::size_t>(BlockSize);
  std::vector<unsigned char> request(blockSize, kRequestFill);
  std::vector<unsigned char> reply(service_.ReplyRecordSize() + blockSize + kIcmpErrorRoom);

  for (std::int32_t left = NumberOfPings; left > 0; --left) {
    if (Cancel) {
      break;
    }
    fw::Application->ProcessMessages();

    bool resolved = true;
    if (target == kNoAddress) {
      std::optional<std::uint32_t> found;
      if (usable) {
        found = service_.GetHostByName(name.c_str());
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
      const std::uint32_t count =
          service_.IcmpSendEcho(icmpSendEcho_, handle.Get(), target, request.data(),
                                static_cast<std::uint16_t>(blockSize), options, reply.data(),
                                static_cast<std::uint32_t>(reply.size()), wait);
      if (count == 0) {
        service_.WriteReplyStatus(reply.data(),
                                  static_cast<std::uint32_t>(service_.WSAGetLastError()));
      }
      if (OnReply) {
        const EchoReply record = service_.ReadReply(reply.data());
        OnReply(this, static_cast<std::int32_t>(record.Status), service_.InetNtoa(record.Address),
                static_cast<std::int32_t>(record.RoundTripTime), record.Ttl);
      }
    }

    Pause();
  }
}

void TKvICMP::Pause() {
  const std::uint32_t start = service_.GetTickCount();
  for (;;) {
    // Unsigned subtraction keeps the difference right across the counter's wrap at 2^32.
    const std::uint32_t elapsed = service_.GetTickCount() - start;
    if (static_cast<std::int64_t>(elapsed) >= Delay || Cancel) {
      return;
    }
    fw::Application->ProcessMessages();
    service_.Sleep(10);
  }
}

}  // namespace probe
