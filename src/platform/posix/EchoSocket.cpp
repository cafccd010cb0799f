// ICMP sockets for echoes: opening, sending, and the bounded wait for the outcome.
#include "platform/posix/EchoSocket.h"

#include <arpa/inet.h>
#include <linux/errqueue.h>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>

#include "platform/posix/EchoMatch.h"

namespace posix {

namespace {

constexpr std::int64_t kNanosPerMilli = 1000000;
constexpr std::size_t kLargestPacket = 65536;

std::int64_t NowNanos() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 * kNanosPerMilli + now.tv_nsec;
}

bool SetOption(int fd, int level, int name, const void* value, socklen_t size) {
  return setsockopt(fd, level, name, value, size) == 0;
}

// A datagram ICMP socket that reports ICMP errors on its error queue and the time-to-live of
// what it receives, bound so that its port (the echo identifier) is known before the first send.
int OpenDatagram() {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
  if (fd < 0) {
    return -1;
  }
  const int on = 1;
  sockaddr_in any{};
  any.sin_family = AF_INET;
  if (!SetOption(fd, IPPROTO_IP, IP_RECVERR, &on, sizeof on) ||
      !SetOption(fd, IPPROTO_IP, IP_RECVTTL, &on, sizeof on) ||
      bind(fd, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
    const int error = errno;
    close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

// A raw ICMP socket that lets through only what can answer an echo: replies and errors.
int OpenRaw() {
  const int fd = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
  if (fd < 0) {
    return -1;
  }
  icmp_filter filter{};
  filter.data = ~((1u << icmptype::kEchoReply) | (1u << icmptype::kDestUnreachable) |
                  (1u << icmptype::kTimeExceeded) | (1u << icmptype::kParameterProblem));
  if (!SetOption(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter)) {
    const int error = errno;
    close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

std::optional<int> SocketType(int fd) {
  int type = 0;
  socklen_t size = sizeof type;
  if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &size) != 0) {
    return std::nullopt;
  }
  return type;
}

// What a message read from the socket says about the echo.
struct Outcome {
  std::int32_t Status = 0;
  std::uint32_t Address = 0;
  std::uint8_t Ttl = 0;
};

// The time-to-live that came with a received message.
std::uint8_t ReceivedTtl(msghdr& message) {
  for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
    if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_TTL) {
      int ttl = 0;
      std::memcpy(&ttl, CMSG_DATA(c), sizeof ttl);
      return static_cast<std::uint8_t>(ttl);
    }
  }
  return 0;
}

// Reads every message waiting on the socket until one concerns the echo. The error queue of a
// datagram socket holds the ICMP errors about what it sent, each with the request it quotes.
class Receiver {
 public:
  Receiver(int fd, bool raw, const EchoRequest& request)
      : fd_(fd), raw_(raw), request_(request), buffer_(kLargestPacket) {}

  std::optional<Outcome> ReadPending() {
    if (!raw_) {
      while (Read(MSG_ERRQUEUE)) {
        if (std::optional<Outcome> outcome = QueuedError()) {
          return outcome;
        }
      }
    }
    while (Read(0)) {
      const std::optional<IcmpMessage> message =
          raw_ ? FromIpPacket(buffer_.data(), size_)
               : IcmpMessage{from_.sin_addr.s_addr, ReceivedTtl(header_), buffer_.data(), size_};
      if (!message) {
        continue;
      }
      if (std::optional<std::int32_t> status = Match(request_, *message)) {
        return Outcome{*status, message->Source, message->Ttl};
      }
    }
    return std::nullopt;
  }

 private:
  // Reads one message; false when none is waiting. A datagram socket also reports a pending
  // ICMP error once through an ordinary read; that error is in its error queue too.
  bool Read(int flags) {
    for (;;) {
      iovec data{buffer_.data(), buffer_.size()};
      header_ = msghdr{};
      header_.msg_name = &from_;
      header_.msg_namelen = sizeof from_;
      header_.msg_iov = &data;
      header_.msg_iovlen = 1;
      header_.msg_control = control_;
      header_.msg_controllen = sizeof control_;
      const ssize_t size = recvmsg(fd_, &header_, flags | MSG_DONTWAIT);
      if (size >= 0) {
        size_ = static_cast<std::size_t>(size);
        return true;
      }
      if (errno != EINTR) {
        return false;
      }
    }
  }

  std::optional<Outcome> QueuedError() {
    Outcome outcome{0, 0, ReceivedTtl(header_)};
    const sock_extended_err* error = nullptr;
    for (cmsghdr* c = CMSG_FIRSTHDR(&header_); c != nullptr; c = CMSG_NXTHDR(&header_, c)) {
      if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_RECVERR) {
        error = reinterpret_cast<const sock_extended_err*>(CMSG_DATA(c));
      }
    }
    if (error == nullptr || error->ee_origin != SO_EE_ORIGIN_ICMP) {
      return std::nullopt;
    }
    const std::optional<std::int32_t> status = ErrorStatus(error->ee_type, error->ee_code);
    // The message's address is where the quoted request went; its data is the quoted request.
    if (!status || !QuotesRequest(request_, from_.sin_addr.s_addr, buffer_.data(), size_)) {
      return std::nullopt;
    }
    sockaddr_in reporter{};
    std::memcpy(&reporter, SO_EE_OFFENDER(error), sizeof reporter);
    outcome.Status = *status;
    outcome.Address = reporter.sin_addr.s_addr;
    return outcome;
  }

  int fd_;
  bool raw_;
  EchoRequest request_;
  std::vector<unsigned char> buffer_;
  std::size_t size_ = 0;
  sockaddr_in from_{};
  msghdr header_{};
  alignas(cmsghdr) unsigned char control_[512];
};

probe::EchoReply Failed(int error) {
  probe::EchoReply reply;
  reply.Status = SendFailureStatus(error);
  return reply;
}

}  // namespace

int OpenIcmpSocket(SocketKind kind) {
  if (kind != SocketKind::Raw) {
    const int fd = OpenDatagram();
    if (fd >= 0 || kind == SocketKind::Datagram) {
      return fd;
    }
  }
  return OpenRaw();
}

std::optional<std::uint16_t> EchoIdentifier(int fd) {
  const std::optional<int> type = SocketType(fd);
  if (!type) {
    return std::nullopt;
  }
  if (*type == SOCK_RAW) {
    return static_cast<std::uint16_t>(getpid());
  }
  sockaddr_in bound{};
  socklen_t size = sizeof bound;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &size) != 0) {
    return std::nullopt;
  }
  return ntohs(bound.sin_port);
}

probe::EchoReply ExchangeEcho(int fd, std::uint32_t target, std::uint16_t sequence,
                              const std::vector<unsigned char>& data, std::uint8_t ttl,
                              std::uint32_t timeoutMs) {
  const std::optional<int> type = SocketType(fd);
  const std::optional<std::uint16_t> identifier = EchoIdentifier(fd);
  if (!type || !identifier) {
    return Failed(errno);
  }
  const int hops = ttl;
  if (!SetOption(fd, IPPROTO_IP, IP_TTL, &hops, sizeof hops)) {
    return Failed(errno);
  }
  const EchoRequest request{target, *identifier, sequence};
  const std::vector<unsigned char> message = BuildEchoRequest(request, data);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = target;

  const std::int64_t start = NowNanos();
  const std::int64_t deadline = start + static_cast<std::int64_t>(timeoutMs) * kNanosPerMilli;
  if (sendto(fd, message.data(), message.size(), 0, reinterpret_cast<const sockaddr*>(&to),
             sizeof to) < 0) {
    return Failed(errno);
  }
  Receiver receiver(fd, *type == SOCK_RAW, request);
  for (;;) {
    if (const std::optional<Outcome> outcome = receiver.ReadPending()) {
      probe::EchoReply reply;
      reply.Status = outcome->Status;
      reply.Address = outcome->Address;
      reply.RoundTripTime = static_cast<std::int32_t>((NowNanos() - start) / kNanosPerMilli);
      reply.Ttl = outcome->Ttl;
      return reply;
    }
    const std::int64_t left = deadline - NowNanos();
    if (left <= 0) {
      probe::EchoReply reply;
      reply.Status = status::kRequestTimedOut;
      return reply;
    }
    // Rounded up, so the wait never ends before the deadline.
    const std::int64_t leftMs = (left + kNanosPerMilli - 1) / kNanosPerMilli;
    pollfd waiting{fd, POLLIN, 0};
    poll(&waiting, 1, static_cast<int>(leftMs < INT_MAX ? leftMs : INT_MAX));
  }
}

}  // namespace posix
