// Test host for the e2e rig: answers ICMP echo requests per destination address after a set delay.
//
// Usage: responder ADDR=MS|never ...  (ADDR in 198.18.0.0/24; run as root in the test-host
// namespace, with net.ipv4.icmp_echo_ignore_all=1 there so that only this program answers).
// Prints one line per event on stdout ("ready", "echo ...", "sent ..."); stops on SIGTERM/SIGINT.
#include <arpa/inet.h>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <queue>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;

// The only addresses the responder answers for, and the only peers it replies to (plus loopback).
constexpr uint32_t kTestNet = 0xC6120000;  // 198.18.0.0
constexpr uint32_t kTestMask = 0xFFFFFF00;
constexpr uint32_t kLoopNet = 0x7F000000;  // 127.0.0.0/8
constexpr uint32_t kLoopMask = 0xFF000000;
constexpr size_t kMaxPending = 4096;
constexpr size_t kMaxReplyBytes = 1500;  // MTU of the veth link: IP_HDRINCL does not fragment.
constexpr long kMaxDelayMs = 600000;

bool InNet(uint32_t host_order, uint32_t net, uint32_t mask) {
  return (host_order & mask) == net;
}

std::string AddrText(uint32_t net_order) {
  char text[INET_ADDRSTRLEN] = {};
  in_addr a{};
  a.s_addr = net_order;
  inet_ntop(AF_INET, &a, text, sizeof text);
  return text;
}

uint16_t Checksum(const uint8_t* data, size_t len) {
  uint32_t sum = 0;
  for (size_t i = 0; i + 1 < len; i += 2)
    sum += (uint32_t{data[i]} << 8) | data[i + 1];
  if (len % 2)
    sum += uint32_t{data[len - 1]} << 8;
  while (sum >> 16)
    sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint16_t>(~sum & 0xFFFF);
}

void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v & 0xFF);
}

uint16_t Get16(const uint8_t* p) {
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

// Delay per destination address (network byte order); nullopt means "never answer".
using Rules = std::map<uint32_t, std::optional<microseconds>>;

bool ParseRules(int argc, char** argv, Rules& rules) {
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    size_t eq = arg.find('=');
    if (eq == std::string_view::npos) {
      std::fprintf(stderr, "responder: expected ADDR=MS or ADDR=never, got '%s'\n", argv[i]);
      return false;
    }
    std::string addr_text(arg.substr(0, eq));
    std::string_view delay_text = arg.substr(eq + 1);
    in_addr addr{};
    if (inet_pton(AF_INET, addr_text.c_str(), &addr) != 1 ||
        !InNet(ntohl(addr.s_addr), kTestNet, kTestMask)) {
      std::fprintf(stderr, "responder: '%s' is not an address in 198.18.0.0/24\n",
                   addr_text.c_str());
      return false;
    }
    if (rules.count(addr.s_addr)) {
      std::fprintf(stderr, "responder: '%s' given twice\n", addr_text.c_str());
      return false;
    }
    if (delay_text == "never") {
      rules[addr.s_addr] = std::nullopt;
      continue;
    }
    long ms = -1;
    auto [end, ec] = std::from_chars(delay_text.data(), delay_text.data() + delay_text.size(), ms);
    if (ec != std::errc() || end != delay_text.data() + delay_text.size() || ms < 0 ||
        ms > kMaxDelayMs) {
      std::fprintf(stderr, "responder: bad delay '%.*s' (0..%ld ms or 'never')\n",
                   static_cast<int>(delay_text.size()), delay_text.data(), kMaxDelayMs);
      return false;
    }
    rules[addr.s_addr] = std::chrono::milliseconds(ms);
  }
  return !rules.empty();
}

struct Pending {
  Clock::time_point due;
  Clock::time_point received;
  uint64_t order;  // keeps replies with the same due time in arrival order
  uint32_t dst;    // network byte order: where the reply goes (the requester)
  uint16_t id, seq;
  std::vector<uint8_t> packet;  // complete IP datagram
  bool operator>(const Pending& o) const { return due != o.due ? due > o.due : order > o.order; }
};

class Responder {
 public:
  Responder(int sock, Rules rules) : sock_(sock), rules_(std::move(rules)) {}

  // Where the t_us times count from, in microseconds of the system's monotonic clock (what
  // steady_clock reads on Linux), so that a test can place them on its own clock.
  long long StartMicros() const {
    return std::chrono::duration_cast<microseconds>(start_.time_since_epoch()).count();
  }

  // Reads every datagram waiting on the socket and schedules the replies.
  void Drain() {
    uint8_t buf[65536];
    for (;;) {
      ssize_t n = recv(sock_, buf, sizeof buf, MSG_DONTWAIT);
      if (n < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
          std::fprintf(stderr, "responder: recv: %s\n", std::strerror(errno));
        return;
      }
      Handle(buf, static_cast<size_t>(n), Clock::now());
    }
  }

  // Sends every reply that is due; returns the time until the next one, if any.
  std::optional<Clock::duration> SendDue() {
    while (!queue_.empty()) {
      auto now = Clock::now();
      const Pending& p = queue_.top();
      if (p.due > now)
        return p.due - now;
      Send(p, now);
      queue_.pop();
    }
    return std::nullopt;
  }

 private:
  void Handle(const uint8_t* buf, size_t n, Clock::time_point now) {
    if (n < 20 || (buf[0] >> 4) != 4)
      return;
    size_t ihl = size_t{buf[0] & 0x0Fu} * 4;
    size_t total = Get16(buf + 2);
    if (ihl < 20 || total < ihl + 8 || total > n || buf[9] != IPPROTO_ICMP)
      return;
    uint32_t src, dst;
    std::memcpy(&src, buf + 12, 4);
    std::memcpy(&dst, buf + 16, 4);
    const uint8_t* icmp = buf + ihl;
    size_t icmp_len = total - ihl;
    if (icmp[0] != ICMP_ECHO)
      return;  // the socket filter lets only echo requests through
    uint16_t id = Get16(icmp + 4), seq = Get16(icmp + 6);
    std::printf("echo t_us=%lld src=%s dst=%s id=%u seq=%u bytes=%zu ttl=%u ", Micros(now),
                AddrText(src).c_str(), AddrText(dst).c_str(), id, seq, icmp_len - 8,
                unsigned{buf[8]});
    auto rule = rules_.find(dst);
    uint32_t src_host = ntohl(src);
    if (icmp[1] != 0 || Checksum(icmp, icmp_len) != 0) {
      Log("action=drop reason=bad-checksum-or-code");
    } else if (rule == rules_.end()) {
      Log("action=ignore reason=no-rule");
    } else if (!InNet(src_host, kTestNet, kTestMask) && !InNet(src_host, kLoopNet, kLoopMask)) {
      Log("action=drop reason=foreign-requester");
    } else if (!rule->second) {
      Log("action=never");
    } else if (20 + icmp_len > kMaxReplyBytes) {
      Log("action=drop reason=too-big");
    } else if (queue_.size() >= kMaxPending) {
      Log("action=drop reason=queue-full");
    } else {
      Pending p{now + *rule->second,
                now,
                order_++,
                src,
                id,
                seq,
                BuildReply(src, dst, buf[1], icmp, icmp_len)};
      std::printf("action=reply delay_ms=%lld\n",
                  static_cast<long long>(rule->second->count() / 1000));
      std::fflush(stdout);
      queue_.push(std::move(p));
    }
  }

  std::vector<uint8_t> BuildReply(uint32_t requester, uint32_t asked, uint8_t tos,
                                  const uint8_t* icmp, size_t icmp_len) {
    std::vector<uint8_t> pkt(20 + icmp_len);
    uint8_t* ip = pkt.data();
    ip[0] = 0x45;
    ip[1] = tos;
    Put16(ip + 2, static_cast<uint16_t>(pkt.size()));
    Put16(ip + 4, ip_id_++);
    Put16(ip + 6, 0);  // no fragmentation flags
    ip[8] = 64;        // TTL
    ip[9] = IPPROTO_ICMP;
    std::memcpy(ip + 12, &asked, 4);  // the reply comes from the address that was asked
    std::memcpy(ip + 16, &requester, 4);
    Put16(ip + 10, Checksum(ip, 20));
    uint8_t* out = ip + 20;
    std::memcpy(out, icmp, icmp_len);  // id, sequence and data stay exactly as received
    out[0] = ICMP_ECHOREPLY;
    out[1] = 0;
    Put16(out + 2, 0);
    Put16(out + 2, Checksum(out, icmp_len));
    return pkt;
  }

  void Send(const Pending& p, Clock::time_point now) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = p.dst;
    ssize_t n = sendto(sock_, p.packet.data(), p.packet.size(), 0,
                       reinterpret_cast<const sockaddr*>(&to), sizeof to);
    long long waited = std::chrono::duration_cast<microseconds>(now - p.received).count();
    uint32_t src;
    std::memcpy(&src, p.packet.data() + 12, 4);
    std::string from = AddrText(src);
    if (n < 0) {
      std::printf("error t_us=%lld src=%s dst=%s id=%u seq=%u sendto=%s\n", Micros(now),
                  from.c_str(), AddrText(p.dst).c_str(), p.id, p.seq, std::strerror(errno));
    } else {
      std::printf("sent t_us=%lld src=%s dst=%s id=%u seq=%u waited_us=%lld\n", Micros(now),
                  from.c_str(), AddrText(p.dst).c_str(), p.id, p.seq, waited);
    }
    std::fflush(stdout);
  }

  long long Micros(Clock::time_point t) const {
    return std::chrono::duration_cast<microseconds>(t - start_).count();
  }

  static void Log(const char* rest) {
    std::printf("%s\n", rest);
    std::fflush(stdout);
  }

  int sock_;
  Rules rules_;
  Clock::time_point start_ = Clock::now();
  std::priority_queue<Pending, std::vector<Pending>, std::greater<>> queue_;
  uint64_t order_ = 0;
  uint16_t ip_id_ = 1;
};

}  // namespace

int main(int argc, char** argv) {
  Rules rules;
  if (!ParseRules(argc, argv, rules)) {
    std::fprintf(stderr, "usage: responder ADDR=MS|never ...  (ADDR in 198.18.0.0/24)\n");
    return 2;
  }
  prctl(PR_SET_TIMERSLACK, 1UL);  // wake within microseconds of each due time

  int sock = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
  if (sock < 0) {
    std::fprintf(stderr, "responder: raw socket: %s (needs root)\n", std::strerror(errno));
    return 1;
  }
  icmp_filter filter{~(1u << ICMP_ECHO)};  // deliver echo requests only
  int on = 1;
  if (setsockopt(sock, SOL_RAW, ICMP_FILTER, &filter, sizeof filter) != 0 ||
      setsockopt(sock, IPPROTO_IP, IP_HDRINCL, &on, sizeof on) != 0) {
    std::fprintf(stderr, "responder: setsockopt: %s\n", std::strerror(errno));
    return 1;
  }

  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTERM);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGHUP);
  sigprocmask(SIG_BLOCK, &stop, nullptr);
  int sigfd = signalfd(-1, &stop, SFD_CLOEXEC);
  if (sigfd < 0) {
    std::fprintf(stderr, "responder: signalfd: %s\n", std::strerror(errno));
    return 1;
  }

  Responder responder(sock, std::move(rules));
  std::printf("ready pid=%d rules=%d start_us=%lld\n", static_cast<int>(getpid()), argc - 1,
              responder.StartMicros());
  std::fflush(stdout);

  pollfd fds[2] = {{sock, POLLIN, 0}, {sigfd, POLLIN, 0}};
  for (;;) {
    std::optional<Clock::duration> wait = responder.SendDue();
    timespec ts{};
    if (wait) {
      auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(*wait).count();
      ts.tv_sec = static_cast<time_t>(ns / 1000000000);
      ts.tv_nsec = static_cast<long>(ns % 1000000000);
    }
    int r = ppoll(fds, 2, wait ? &ts : nullptr, nullptr);
    if (r < 0) {
      if (errno == EINTR)
        continue;
      std::fprintf(stderr, "responder: ppoll: %s\n", std::strerror(errno));
      return 1;
    }
    if (fds[1].revents & POLLIN) {
      signalfd_siginfo info{};
      if (read(sigfd, &info, sizeof info) > 0)
        std::printf("stopped signal=%u\n", info.ssi_signo);
      break;
    }
    if (fds[0].revents & POLLIN)
      responder.Drain();
  }
  std::fflush(stdout);
  close(sock);
  close(sigfd);
  return 0;
}
