// TEMPORARY stand-ins until the posix work lands (dropped at its merge): files, clocks and a
// minimal echo service over a datagram ICMP socket.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <vector>

#include "platform/posix/IcmpEchoService.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixFiles.h"

namespace posix {

namespace {

std::uint32_t MonotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                    static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

void SleepMs(std::uint32_t ms) {
  timespec wait{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
  }
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) {
      close(fd_);
    }
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

struct Record {
  std::uint32_t Address;
  std::uint32_t Status;
  std::uint32_t RoundTripTime;
  std::uint8_t Ttl;
};

constexpr std::uint32_t kTimedOut = 11010;

}  // namespace

bool PosixFiles::FileExists(const std::string& name) {
  struct stat info {};
  return stat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string PosixFiles::ReadFile(const std::string& name) {
  Descriptor file(open(name.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0 || flock(file.Get(), LOCK_SH | LOCK_NB) != 0) {
    throw std::runtime_error("cannot read " + name);
  }
  std::string content;
  char buffer[4096];
  ssize_t got = 0;
  while ((got = read(file.Get(), buffer, sizeof buffer)) > 0) {
    content.append(buffer, static_cast<std::size_t>(got));
  }
  if (got < 0) {
    throw std::runtime_error("cannot read " + name);
  }
  return content;
}

void PosixFiles::WriteFile(const std::string& name, const std::string& content) {
  Descriptor old(open(name.c_str(), O_RDONLY | O_CLOEXEC));
  if (old.Get() >= 0 && flock(old.Get(), LOCK_EX | LOCK_NB) != 0) {
    throw std::runtime_error("cannot write " + name);
  }
  const std::string temporary = name + ".new";
  {
    Descriptor file(open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (file.Get() < 0 ||
        write(file.Get(), content.data(), content.size()) != static_cast<ssize_t>(content.size()) ||
        fsync(file.Get()) != 0) {
      unlink(temporary.c_str());
      throw std::runtime_error("cannot write " + name);
    }
  }
  if (rename(temporary.c_str(), name.c_str()) != 0) {
    unlink(temporary.c_str());
    throw std::runtime_error("cannot write " + name);
  }
}

std::uint32_t PosixClock::Milliseconds() {
  return MonotonicMs();
}

void PosixClock::Sleep(std::uint32_t ms) {
  SleepMs(ms);
}

int IcmpEchoService::WSAStartup(std::uint16_t requested, std::uint16_t& granted) {
  granted = requested;
  return 0;
}

std::uint32_t IcmpEchoService::InetAddr(const char* text) {
  return inet_addr(text);
}

std::optional<std::uint32_t> IcmpEchoService::GetHostByName(const char* name) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  if (getaddrinfo(name, nullptr, &hints, &found) != 0 || found == nullptr) {
    return std::nullopt;
  }
  sockaddr_in address{};
  std::memcpy(&address, found->ai_addr, sizeof address);
  freeaddrinfo(found);
  return address.sin_addr.s_addr;
}

std::string IcmpEchoService::InetNtoa(std::uint32_t address) {
  in_addr value{};
  value.s_addr = address;
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &value, text, sizeof text);
  return text;
}

probe::EchoService::Module IcmpEchoService::LoadLibraryA(const char*) {
  Descriptor probe(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP));
  return probe.Get() >= 0 ? this : nullptr;
}

probe::EchoService::EntryPoint IcmpEchoService::GetProcAddress(Module, const char*) {
  return this;
}

probe::EchoService::EchoHandle IcmpEchoService::IcmpCreateFile(EntryPoint) {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
  return reinterpret_cast<EchoHandle>(static_cast<std::intptr_t>(fd + 1));
}

void IcmpEchoService::IcmpCloseHandle(EntryPoint, EchoHandle handle) {
  const int fd = static_cast<int>(reinterpret_cast<std::intptr_t>(handle)) - 1;
  if (fd >= 0) {
    close(fd);
  }
}

std::uint32_t IcmpEchoService::IcmpSendEcho(EntryPoint, EchoHandle handle, std::uint32_t target,
                                            const void* request, std::uint16_t requestSize,
                                            const probe::IpOptions& options, void* reply,
                                            std::uint32_t replySize, std::uint32_t timeoutMs) {
  const int fd = static_cast<int>(reinterpret_cast<std::intptr_t>(handle)) - 1;
  if (fd < 0 || replySize < sizeof(Record)) {
    lastError_ = 11050;
    return 0;
  }
  const int ttl = options.Ttl;
  setsockopt(fd, IPPROTO_IP, IP_TTL, &ttl, sizeof ttl);
  const std::uint16_t sequence = ++sequence_;
  std::vector<unsigned char> packet(8 + requestSize, 0);
  packet[0] = 8;  // echo request; the kernel fills in the identifier and the checksum
  packet[6] = static_cast<unsigned char>(sequence >> 8);
  packet[7] = static_cast<unsigned char>(sequence & 0xFF);
  std::memcpy(packet.data() + 8, request, requestSize);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = target;
  const std::uint32_t start = MonotonicMs();
  if (sendto(fd, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) <
      0) {
    lastError_ = errno == EHOSTUNREACH ? 11003 : errno == ENETUNREACH ? 11002 : 11050;
    return 0;
  }
  for (;;) {
    const std::uint32_t spent = MonotonicMs() - start;
    if (spent >= timeoutMs) {
      lastError_ = static_cast<int>(kTimedOut);
      return 0;
    }
    pollfd wait{fd, POLLIN, 0};
    if (poll(&wait, 1, static_cast<int>(timeoutMs - spent)) <= 0) {
      continue;
    }
    unsigned char answer[1500];
    sockaddr_in from{};
    socklen_t fromSize = sizeof from;
    const ssize_t got =
        recvfrom(fd, answer, sizeof answer, 0, reinterpret_cast<sockaddr*>(&from), &fromSize);
    if (got >= 8 && answer[0] == 0 && from.sin_addr.s_addr == target && answer[6] == packet[6] &&
        answer[7] == packet[7]) {
      const Record record{from.sin_addr.s_addr, 0, MonotonicMs() - start, 0};
      std::memcpy(reply, &record, sizeof record);
      return 1;
    }
  }
}

std::size_t IcmpEchoService::ReplyRecordSize() const {
  return sizeof(Record);
}

probe::EchoReply IcmpEchoService::ReadReply(const void* reply) const {
  Record record{};
  std::memcpy(&record, reply, sizeof record);
  return probe::EchoReply{record.Address, record.Status, record.RoundTripTime, record.Ttl};
}

void IcmpEchoService::WriteReplyStatus(void* reply, std::uint32_t status) const {
  std::memcpy(static_cast<unsigned char*>(reply) + offsetof(Record, Status), &status,
              sizeof status);
}

std::uint32_t IcmpEchoService::GetTickCount() {
  return MonotonicMs();
}

void IcmpEchoService::Sleep(std::uint32_t ms) {
  SleepMs(ms);
}

}  // namespace posix
