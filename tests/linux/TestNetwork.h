// The test network for the Linux platform tests: knowing that a test runs inside it, keeping
// every echo inside it, and setting the namespace's ping group range for a while.
#pragma once

#include <cstdint>
#include <string>

namespace testnet {

// Empty inside a test namespace (not the initial one; 198.18.0.1 is a local address; there is a
// route to 198.18.0.0/24 and none beyond it), else the reason it is not one.
std::string WhyNotInTestNetwork();

// The address (network byte order) of a dotted text; aborts for anything outside 127.0.0.0/8
// and 198.18.0.0/24, the only places a test may send to.
std::uint32_t Target(const char* dotted);

// Sets net.ipv4.ping_group_range, which belongs to the network namespace, and puts the old
// value back at the end.
class PingGroupRange {
 public:
  explicit PingGroupRange(const std::string& range);
  PingGroupRange(const PingGroupRange&) = delete;
  PingGroupRange& operator=(const PingGroupRange&) = delete;
  ~PingGroupRange();
  bool Set() const { return set_; }

 private:
  std::string old_;
  bool set_ = false;
};

}  // namespace testnet
