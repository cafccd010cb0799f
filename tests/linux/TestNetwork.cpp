// The test network for the Linux platform tests.
#include "TestNetwork.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace testnet {

namespace {

constexpr const char* kRangeFile = "/proc/sys/net/ipv4/ping_group_range";

bool InNet(std::uint32_t address, const char* net, const char* mask) {
  return (address & inet_addr(mask)) == inet_addr(net);
}

// The kernel gives the initial network namespace this fixed inode number (PROC_NET_INIT_INO).
constexpr ino_t kInitialNetworkNamespace = 0xEFFFFFF9U;

bool OwnNamespace() {
  struct stat self {};
  return stat("/proc/self/ns/net", &self) == 0 && self.st_ino != kInitialNetworkNamespace;
}

bool LocalAddress(const char* dotted) {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    return false;
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = inet_addr(dotted);
  const bool bound = bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return bound;
}

// Whether /proc/net/route has the test route, and whether it has a route anywhere else.
void ReadRoutes(bool& testRoute, bool& otherRoute) {
  std::ifstream routes("/proc/net/route");
  std::string line;
  std::getline(routes, line);  // the column names
  while (std::getline(routes, line)) {
    std::istringstream fields(line);
    std::string device, destination, gateway, flags, refs, use, metric, mask;
    fields >> device >> destination >> gateway >> flags >> refs >> use >> metric >> mask;
    // The kernel prints the addresses as the hexadecimal of their 32 bits in memory.
    const auto net = static_cast<std::uint32_t>(std::strtoul(destination.c_str(), nullptr, 16));
    const auto bits = static_cast<std::uint32_t>(std::strtoul(mask.c_str(), nullptr, 16));
    const std::uint32_t testMask = inet_addr("255.255.255.0");
    if ((bits & testMask) != testMask || (net & testMask) != inet_addr("198.18.0.0")) {
      otherRoute = true;
    } else if (bits == testMask) {
      testRoute = true;
    }
  }
}

std::string ReadRange() {
  std::ifstream file(kRangeFile);
  std::string low, high;
  file >> low >> high;
  return file ? low + " " + high : std::string();
}

bool WriteRange(const std::string& range) {
  std::ofstream file(kRangeFile);
  file << range << "\n";
  file.close();
  return !file.fail() && ReadRange() == range;
}

}  // namespace

std::string WhyNotInTestNetwork() {
  const char* hint = " (run the tests with tests/linux/run.sh)";
  if (geteuid() != 0) {
    // They set the namespace's ping group range, send decoys from raw sockets and drop to
    // another user themselves where a case wants one.
    return std::string("the echo tests run as root") + hint;
  }
  if (!OwnNamespace()) {
    return std::string("not inside a network namespace of its own") + hint;
  }
  bool testRoute = false;
  bool otherRoute = false;
  ReadRoutes(testRoute, otherRoute);
  if (!testRoute || !LocalAddress("198.18.0.1")) {
    return std::string("this namespace is no test network: no 198.18.0.1 on 198.18.0.0/24") + hint;
  }
  if (otherRoute) {
    return std::string("this namespace has routes beyond 198.18.0.0/24") + hint;
  }
  return {};
}

std::uint32_t Target(const char* dotted) {
  const std::uint32_t address = inet_addr(dotted);
  if (!InNet(address, "127.0.0.0", "255.0.0.0") && !InNet(address, "198.18.0.0", "255.255.255.0")) {
    std::fprintf(stderr, "refusing to send to %s: outside the test network\n", dotted);
    std::abort();
  }
  return address;
}

PingGroupRange::PingGroupRange(const std::string& range) : old_(ReadRange()) {
  set_ = !old_.empty() && WriteRange(range);
}

PingGroupRange::~PingGroupRange() {
  if (set_) {
    WriteRange(old_);
  }
}

}  // namespace testnet
