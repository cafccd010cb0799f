// The echo service over real ICMP sockets, inside the test network: loopback, the test hosts of
// the responder, an unreachable route, and the refusal when no ICMP socket may be opened.
#include "platform/posix/IcmpEchoService.h"

#include <arpa/inet.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <ostream>
#include <thread>

#include "TestNetwork.h"
#include "platform/posix/EchoMatch.h"

namespace posix {
void PrintTo(SocketKind kind, std::ostream* out) {
  *out << (kind == SocketKind::Raw ? "raw socket" : "datagram socket");
}
}  // namespace posix

namespace {

using posix::SocketKind;
using probe::BindResult;
using Millis = std::chrono::milliseconds;

const std::vector<unsigned char> kData(64, 0xA7);
constexpr std::uint8_t kTtl = 255;
constexpr std::uint8_t kResponderTtl = 64;  // what the responder and the kernel put in replies
constexpr int kSlack = 120;                 // ms a busy machine may add to a wait

std::int64_t Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now() - start).count();
}

// Sends an echo request from a raw socket of the test's own, for a reply the service must drop.
void SendDecoy(const char* to, std::uint16_t identifier, std::uint16_t sequence) {
  const posix::EchoRequest request{testnet::Target(to), identifier, sequence};
  const std::vector<unsigned char> message = posix::BuildEchoRequest(request, kData);
  const int fd = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
  ASSERT_GE(fd, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = request.Target;
  EXPECT_GT(sendto(fd, message.data(), message.size(), 0,
                   reinterpret_cast<const sockaddr*>(&address), sizeof address),
            0);
  close(fd);
}

class InTestNetwork : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const std::string why = testnet::WhyNotInTestNetwork(); !why.empty()) {
      GTEST_SKIP() << why;
    }
  }
};

// One opened echo handle of the service, through the socket kind of the test's parameter.
class EchoThrough : public ::testing::TestWithParam<SocketKind> {
 protected:
  void SetUp() override {
    if (const std::string why = testnet::WhyNotInTestNetwork(); !why.empty()) {
      GTEST_SKIP() << why;
    }
    range.emplace("0 2147483647");  // every group may open datagram ICMP sockets
    ASSERT_TRUE(range->Set());
    handle = service.OpenEcho();
    ASSERT_NE(handle, static_cast<probe::EchoHandle>(std::intptr_t{-1}));
    const std::optional<std::uint16_t> id = posix::EchoIdentifier(static_cast<int>(handle));
    ASSERT_TRUE(id);
    identifier = *id;
  }
  void TearDown() override {
    if (handle != 0) {
      service.CloseEcho(handle);
    }
  }

  struct Timed {
    probe::EchoReply Reply;
    std::int64_t Took;
  };

  Timed Echo(const char* address, std::uint32_t timeoutMs) {
    const std::uint32_t target = testnet::Target(address);
    const auto start = std::chrono::steady_clock::now();
    const probe::EchoReply reply = service.SendEcho(handle, target, kData, kTtl, timeoutMs);
    return Timed{reply, Since(start)};
  }

  std::optional<testnet::PingGroupRange> range;
  posix::IcmpEchoService service{GetParam()};
  probe::EchoHandle handle = 0;
  std::uint16_t identifier = 0;
  // The service numbers its echoes from 1.
  static constexpr std::uint16_t kFirstSequence = 1;
};

TEST_P(EchoThrough, LoopbackAndTheTestHostsAnswerAfterTheirDelay) {
  struct Case {
    const char* address;
    int delay;
  };
  for (const Case& c : {Case{"127.0.0.1", 0}, Case{"198.18.0.20", 20}, Case{"198.18.0.35", 350}}) {
    SCOPED_TRACE(c.address);
    const Timed echo = Echo(c.address, 2000);
    EXPECT_EQ(echo.Reply.Status, 0);
    EXPECT_EQ(echo.Reply.Address, inet_addr(c.address));
    EXPECT_GE(echo.Reply.RoundTripTime, c.delay);
    EXPECT_LE(echo.Reply.RoundTripTime, c.delay + kSlack);
    EXPECT_LE(echo.Took, c.delay + kSlack);
    EXPECT_EQ(echo.Reply.Ttl, kResponderTtl);
  }
}

// A reply that comes after its echo timed out is no reply to the next echo on the handle, which
// still waits the host's whole delay for its own.
TEST_P(EchoThrough, ALateReplyIsNoReplyToTheNextEcho) {
  const Timed first = Echo("198.18.0.65", 300);  // the host answers after 650 ms
  EXPECT_EQ(first.Reply.Status, posix::status::kRequestTimedOut);
  const Timed second = Echo("198.18.0.65", 2000);  // the first's reply comes 350 ms into it
  EXPECT_EQ(second.Reply.Status, 0);
  EXPECT_GE(second.Reply.RoundTripTime, 650);
  EXPECT_GE(second.Took, 650);
}

// The requests as the test host saw them (the responder's log): 64 bytes of data, sent with a
// time-to-live of 255 (the hosts are one link away: nothing counts it down).
TEST_P(EchoThrough, RequestsGoOutWithATimeToLiveOf255) {
  const char* state = std::getenv("VX_NETNS_STATE");
  if (state == nullptr) {
    GTEST_SKIP() << "no responder log (tests/linux/run.sh names it in VX_NETNS_STATE)";
  }
  const Timed echo = Echo("198.18.0.20", 2000);
  ASSERT_EQ(echo.Reply.Status, 0);
  std::ifstream log(std::string(state) + "/responder.log");
  std::string line, last;
  const std::string mine = "id=" + std::to_string(identifier) + " ";
  while (std::getline(log, line)) {
    if (line.rfind("echo ", 0) == 0 && line.find(" dst=198.18.0.20 ") != std::string::npos &&
        line.find(mine) != std::string::npos) {
      last = line;
    }
  }
  EXPECT_NE(last.find(" bytes=64 ttl=255 "), std::string::npos) << last;
}

TEST_P(EchoThrough, ASilentHostTimesOutAfterTheTimeout) {
  const Timed echo = Echo("198.18.0.99", 700);
  EXPECT_EQ(echo.Reply.Status, posix::status::kRequestTimedOut);
  EXPECT_GE(echo.Took, 700);
  EXPECT_LT(echo.Took, 700 + kSlack);
}

TEST_P(EchoThrough, ASendOnAnUnreachableRouteFailsAtOnce) {
  const Timed echo = Echo("198.18.0.200", 3000);
  EXPECT_EQ(echo.Reply.Status, posix::status::kDestHostUnreachable);
  EXPECT_LT(echo.Took, 50);
}

// Nobody on the link has 198.18.0.50: address resolution gives up after about three seconds and
// the kernel reports "host unreachable" as an ICMP error from our own address.
TEST_P(EchoThrough, AnIcmpErrorAboutTheEchoEndsTheWait) {
  const Timed echo = Echo("198.18.0.50", 6000);
  EXPECT_EQ(echo.Reply.Status, posix::status::kDestHostUnreachable);
  EXPECT_EQ(echo.Reply.Address, inet_addr("198.18.0.1"));
  EXPECT_GE(echo.Took, 1000);
  EXPECT_LT(echo.Took, 5000);
}

TEST_P(EchoThrough, RepliesFromAnotherHostOrToAnotherEchoAreDropped) {
  // Replies that match all but one thing, arriving while the service waits for 198.18.0.35.
  SendDecoy("198.18.0.20", identifier, kFirstSequence);           // another host
  SendDecoy("198.18.0.35", identifier, kFirstSequence + 1);       // another sequence
  SendDecoy("198.18.0.35", identifier ^ 0x5A5A, kFirstSequence);  // another identifier
  std::this_thread::sleep_for(Millis(200));
  const Timed echo = Echo("198.18.0.35", 2000);
  EXPECT_EQ(echo.Reply.Status, 0);
  EXPECT_EQ(echo.Reply.Address, inet_addr("198.18.0.35"));
  EXPECT_GE(echo.Reply.RoundTripTime, 350);
}

TEST_P(EchoThrough, ADroppedReplyDoesNotExtendTheWait) {
  SendDecoy("198.18.0.35", identifier, kFirstSequence);  // comes back halfway through the wait
  const Timed echo = Echo("198.18.0.99", 600);
  EXPECT_EQ(echo.Reply.Status, posix::status::kRequestTimedOut);
  EXPECT_GE(echo.Took, 600);
  EXPECT_LT(echo.Took, 600 + kSlack);
}

INSTANTIATE_TEST_SUITE_P(Sockets, EchoThrough,
                         ::testing::Values(SocketKind::Datagram, SocketKind::Raw),
                         [](const ::testing::TestParamInfo<SocketKind>& kind) {
                           return kind.param == SocketKind::Raw ? "Raw" : "Datagram";
                         });

using Service = InTestNetwork;

TEST_F(Service, TheSocketLayerStartsAsVersionOnePointOne) {
  posix::IcmpEchoService service;
  std::uint16_t granted = 0;
  EXPECT_EQ(service.StartSockets(0x0101, granted), 0);
  EXPECT_EQ(granted, 0x0101);
  service.StopSockets();
}

TEST_F(Service, AddressesParseByInetAddrsRulesAndNamesAreLookedUp) {
  posix::IcmpEchoService service;
  EXPECT_EQ(service.ParseAddress("198.18.0.20"), inet_addr("198.18.0.20"));
  EXPECT_EQ(service.ParseAddress("127.1"), inet_addr("127.0.0.1"));
  EXPECT_EQ(service.ParseAddress("255.255.255.255"), 0xFFFFFFFFu);
  EXPECT_EQ(service.ParseAddress("localhost"), 0xFFFFFFFFu);
  EXPECT_EQ(service.ParseAddress(""), 0xFFFFFFFFu);
  EXPECT_EQ(service.LookUp("localhost"), std::optional<std::uint32_t>(inet_addr("127.0.0.1")));
  EXPECT_EQ(service.LookUp(""), std::nullopt);
}

TEST_F(Service, ASendOnAHandleThatDidNotOpenFailsWithAStatus) {
  posix::IcmpEchoService service;
  const auto none = static_cast<probe::EchoHandle>(std::intptr_t{-1});
  const probe::EchoReply reply =
      service.SendEcho(none, testnet::Target("127.0.0.1"), kData, kTtl, 1000);
  EXPECT_EQ(reply.Status, posix::status::kInvalidHandle);
  service.CloseEcho(none);
}

// Binding opens one socket; it is refused only where neither kind may be opened.
TEST_F(Service, BindingIsRefusedOnlyWhereNoIcmpSocketMayBeOpened) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "needs root inside the test namespace";
  }
  struct Case {
    const char* range;
    bool unprivileged;  // as the user nobody, without CAP_NET_RAW
    SocketKind kind;
    BindResult expected;
  };
  const Case cases[] = {
      {"1 0", true, SocketKind::Any, BindResult::SocketDenied},
      {"1 0", false, SocketKind::Any, BindResult::Bound},              // a raw socket
      {"0 2147483647", true, SocketKind::Any, BindResult::Bound},      // a datagram socket
      {"1 0", false, SocketKind::Datagram, BindResult::SocketDenied},  // root is no exception
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.range) + (c.unprivileged ? ", unprivileged" : ", root"));
    testnet::PingGroupRange range(c.range);
    ASSERT_TRUE(range.Set());
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      constexpr gid_t kNobody = 65534;
      if (c.unprivileged &&
          (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
        _exit(100);
      }
      _exit(static_cast<int>(posix::IcmpEchoService(c.kind).BindEchoLibrary()));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(c.expected));
  }
}

}  // namespace
