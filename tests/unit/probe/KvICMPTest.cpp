// The echo probe: construction, the run, the pause and re-entry.
#include "probe/KvICMP.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Harness.h"

namespace {

using headless::HostScript;
using headless::ScriptedEchoService;

const std::uint32_t kHost = ScriptedEchoService::Address(198, 18, 0, 20);

struct Reply {
  std::int32_t Status;
  std::string Address;
  std::int32_t Rtt;
  std::uint8_t Ttl;
};

class ProbeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    h.echo.Hosts[kHost] = HostScript{23, true, 0};
    probe = std::make_unique<probe::TKvICMP>(h.app.get());
    probe->OnReply = [this](fw::TObject* sender, std::int32_t status, const std::string& address,
                            std::int32_t rtt, std::uint8_t ttl) {
      EXPECT_EQ(sender, probe.get());
      replies.push_back(Reply{status, address, rtt, ttl});
    };
    h.echo.Calls.clear();
  }
  void TearDown() override { probe.reset(); }

  // One run of the probe; the delay stays the probe's own unless one is given.
  void Ping(int pings, const std::string& address, std::optional<std::int32_t> delay = {}) {
    probe->NumberOfPings = pings;
    probe->Address = address;
    if (delay) {
      probe->Delay = *delay;
    }
    probe->Ping();
  }

  int Count(const std::string& prefix) const {
    return static_cast<int>(
        std::count_if(h.echo.Calls.begin(), h.echo.Calls.end(),
                      [&](const std::string& c) { return c.rfind(prefix, 0) == 0; }));
  }

  headless::Harness h;
  std::unique_ptr<probe::TKvICMP> probe;
  std::vector<Reply> replies;
};

TEST(ProbeConstruction, FailuresCarryTheirMessageAndShutTheSocketLayerDown) {
  struct Case {
    const char* name;
    int startup;
    std::uint16_t granted;
    bool library;
    const char* missing;
    bool denied;
    const char* message;
    int cleanups;
  };
  const Case cases[] = {
      {"startup fails", 10091, 0x0101, true, "", false, "Winsock の初期化が出来ませんでした。", 0},
      {"version 2.2", 0, 0x0202, true, "", false, "Winsock が v1.1 互換で動作できません。", 1},
      {"version 1.0", 0, 0x0001, true, "", false, "Winsock が v1.1 互換で動作できません。", 1},
      {"no library", 0, 0x0101, false, "", false, "必要なファイル ICMP.DLL が見つかりません。", 1},
      {"no create", 0, 0x0101, true, "IcmpCreateFile", false,
       "ICMP.DLL のプロセスを取得出来ません。", 1},
      {"no send", 0, 0x0101, true, "IcmpSendEcho", false, "ICMP.DLL のプロセスを取得出来ません。",
       1},
      {"no echo socket", 0, 0x0101, true, "", true,
       "ICMP ソケットを開けません。net.ipv4.ping_group_range の設定を確認してください。", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    headless::Harness h;
    h.echo.StartupResult = c.startup;
    h.echo.GrantedVersion = c.granted;
    h.echo.LibraryPresent = c.library;
    if (*c.missing != '\0') {
      h.echo.MissingEntryPoints.insert(c.missing);
    }
    h.echo.SocketsDenied = c.denied;
    try {
      probe::TKvICMP probe(h.app.get());
      ADD_FAILURE() << "construction succeeded";
    } catch (const probe::EICMPError& e) {
      EXPECT_EQ(e.Message(), c.message);
      EXPECT_STREQ(e.ClassName(), "EICMPError");
      EXPECT_NE(e.RaiseAddress(), nullptr);
    }
    EXPECT_EQ(h.echo.Cleanups, c.cleanups);
    EXPECT_TRUE(h.app->Components().empty());
  }
}

TEST(ProbeConstruction, StartsBindsAndShutsDownInOrderWhenAnEntryPointIsMissing) {
  headless::Harness h;
  h.echo.MissingEntryPoints.insert("IcmpCreateFile");
  EXPECT_THROW(probe::TKvICMP(h.app.get()), probe::EICMPError);
  const std::vector<std::string> expected = {"StartSockets 0101", "BindEchoLibrary", "StopSockets"};
  EXPECT_EQ(h.echo.Calls, expected);
}

TEST(ProbeConstruction, DestructionShutsTheSocketLayerDownOnce) {
  headless::Harness h;
  { probe::TKvICMP probe(h.app.get()); }
  EXPECT_EQ(h.echo.Cleanups, 1);
}

TEST_F(ProbeTest, OneEchoWithTheDefaults) {
  const std::uint32_t start = h.backend.Ticks();
  Ping(1, "198.18.0.20");

  ASSERT_EQ(h.echo.Sent.size(), 1u);
  const headless::SentEcho& sent = h.echo.Sent[0];
  EXPECT_EQ(sent.Target, kHost);
  EXPECT_EQ(sent.Request.size(), 64u);
  EXPECT_EQ(sent.Request, std::vector<unsigned char>(64, 0xA7));
  EXPECT_EQ(sent.Ttl, 255);
  EXPECT_EQ(sent.Timeout, 5000u);
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].Status, 0);
  EXPECT_EQ(replies[0].Address, "198.18.0.20");
  EXPECT_EQ(replies[0].Rtt, 23);
  // The echo took 23 ms, then the pause at least 1000 ms in 10 ms steps.
  const std::uint32_t took = h.backend.Ticks() - start;
  EXPECT_GE(took, 23u + 1000u);
  EXPECT_LT(took, 23u + 1010u);
  EXPECT_EQ(h.echo.OpenHandles, 0);
  EXPECT_EQ(Count("CloseEcho"), 1);
}

TEST_F(ProbeTest, NoReplyReportsTheLastErrorCode) {
  probe->Timeout = 700;
  Ping(1, "198.18.0.99", 0);
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].Status, 11010);
  EXPECT_EQ(h.echo.Sent[0].Timeout, 700u);
}

TEST_F(ProbeTest, NoEchoesStillOpensAndClosesAHandle) {
  for (int count : {0, -1}) {
    SCOPED_TRACE(count);
    probe->Cancel = true;
    Ping(count, "198.18.0.20");
    EXPECT_FALSE(probe->Cancel);
    EXPECT_TRUE(h.echo.Sent.empty());
    EXPECT_TRUE(replies.empty());
    EXPECT_EQ(h.echo.OpenHandles, 0);
    EXPECT_EQ(Count("Sleep"), 0);
  }
  EXPECT_EQ(Count("OpenEcho"), 2);
  EXPECT_EQ(Count("CloseEcho"), 2);
}

TEST_F(ProbeTest, CancelSetBeforeTheRunHasNoEffect) {
  probe->Cancel = true;
  Ping(2, "198.18.0.20", 0);
  EXPECT_EQ(h.echo.Sent.size(), 2u);
}

TEST_F(ProbeTest, CancelDuringThePauseEndsTheRun) {
  const std::uint32_t start = h.backend.Ticks();
  h.backend.PostAt(h.backend.Clock() + 300, [this] { probe->Cancel = true; });
  Ping(3, "198.18.0.20");
  EXPECT_EQ(h.echo.Sent.size(), 1u);
  EXPECT_LT(h.backend.Ticks() - start, 400u);
  EXPECT_TRUE(probe->Cancel);
  EXPECT_EQ(h.echo.OpenHandles, 0);
}

TEST_F(ProbeTest, AddressIsTrimmedAndParsedOnce) {
  Ping(2, " \t198.18.0.20\r\n", 0);
  EXPECT_EQ(Count("ParseAddress 198.18.0.20"), 1);
  EXPECT_EQ(Count("ParseAddress"), 1);
  EXPECT_EQ(h.echo.Sent.size(), 2u);
}

TEST_F(ProbeTest, UnresolvableNamesAreReportedOncePerEchoWithAPauseEach) {
  for (const char* address : {"no.such.host", "255.255.255.255"}) {
    SCOPED_TRACE(address);
    replies.clear();
    h.echo.Calls.clear();
    const std::uint32_t start = h.backend.Ticks();
    Ping(3, address, 100);
    ASSERT_EQ(replies.size(), 3u);
    for (const Reply& r : replies) {
      EXPECT_EQ(r.Status, -1);
      EXPECT_EQ(r.Address, "0.0.0.0");
      EXPECT_EQ(r.Rtt, 0);
      EXPECT_EQ(r.Ttl, 0);
    }
    EXPECT_EQ(Count("LookUp " + std::string(address)), 3);
    EXPECT_TRUE(h.echo.Sent.empty());
    EXPECT_GE(h.backend.Ticks() - start, 300u);
  }
}

TEST_F(ProbeTest, AResolvedNameIsLookedUpOncePerRun) {
  h.echo.Names["watched.test"] = kHost;
  Ping(3, "watched.test", 0);
  EXPECT_EQ(Count("LookUp"), 1);
  ASSERT_EQ(h.echo.Sent.size(), 3u);
  EXPECT_EQ(h.echo.Sent[2].Target, kHost);
}

TEST_F(ProbeTest, ZeroDelayReturnsRightAfterTheLastNotification) {
  Ping(2, "198.18.0.20", 0);
  EXPECT_EQ(Count("Sleep"), 0);
  EXPECT_EQ(h.echo.Calls.back(), "CloseEcho");
}

TEST_F(ProbeTest, WithNoNotificationBoundEchoesAndPausesStillHappen) {
  probe->OnReply = nullptr;
  Ping(2, "198.18.0.20", 50);
  EXPECT_EQ(h.echo.Sent.size(), 2u);
  EXPECT_GE(Count("Sleep"), 10);
}

TEST_F(ProbeTest, APauseLastsItsDelayAcrossTheTickCounterWrap) {
  for (std::uint32_t ticks : {0xFFFFFF00u, 0xFFFFFFF5u, 0x80000010u, 0x7FFFFFF0u}) {
    SCOPED_TRACE(ticks);
    probe->Timeout = 0;
    h.backend.SetTicks(ticks);
    Ping(1, "198.18.0.99");  // never answers
    const std::uint32_t took = h.backend.Ticks() - ticks;
    EXPECT_GE(took, 1000u);
    EXPECT_LT(took, 1010u);
  }
}

TEST_F(ProbeTest, NegativeTimeoutWaitsNotAtAll) {
  probe->Timeout = -1;
  Ping(1, "198.18.0.99", 0);
  ASSERT_EQ(h.echo.Sent.size(), 1u);
  EXPECT_EQ(h.echo.Sent[0].Timeout, 0u);
}

TEST_F(ProbeTest, AnAddressTooLongForThePlatformIsNeverLookedUp) {
  Ping(2, std::string(300, 'a'), 0);
  EXPECT_EQ(Count("ParseAddress"), 0);
  EXPECT_EQ(Count("LookUp"), 0);
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[0].Status, -1);
  EXPECT_EQ(h.echo.OpenHandles, 0);
}

TEST_F(ProbeTest, ANestedRunGoesThroughBeforeTheOuterRunContinues) {
  probe->NumberOfPings = 2;
  probe->Address = "198.18.0.20";
  int depth = 0;
  int deepest = 0;
  std::vector<std::string> order;
  probe->OnReply = [&](fw::TObject*, std::int32_t, const std::string&, std::int32_t, std::uint8_t) {
    order.push_back("reply at depth " + std::to_string(depth));
  };
  h.backend.PostAt(h.backend.Clock() + 300, [&] {
    ++depth;
    deepest = std::max(deepest, depth);
    probe->NumberOfPings = 1;
    probe->Cancel = true;  // the inner run clears it, so the outer run goes on
    probe->Ping();
    --depth;
  });
  probe->Ping();
  const std::vector<std::string> expected = {"reply at depth 0", "reply at depth 1",
                                             "reply at depth 0"};
  EXPECT_EQ(order, expected);
  EXPECT_EQ(deepest, 1);
  EXPECT_EQ(Count("OpenEcho"), 2);
  EXPECT_EQ(Count("CloseEcho"), 2);
  EXPECT_EQ(h.echo.OpenHandles, 0);
}

TEST_F(ProbeTest, MessagesQueuedBeforeTheRunAreHandledBeforeItsEcho) {
  std::size_t sentWhenHandled = 99;
  h.backend.Post([&] { sentWhenHandled = h.echo.Sent.size(); });
  Ping(1, "198.18.0.20");
  EXPECT_EQ(sentWhenHandled, 0u) << "the run lets pending messages through before it sends";
  EXPECT_EQ(h.echo.Sent.size(), 1u);
}

TEST_F(ProbeTest, AnErrorFromTheNotificationEndsTheRunAndClosesTheHandle) {
  probe->OnReply = [](fw::TObject*, std::int32_t, const std::string&, std::int32_t, std::uint8_t) {
    throw base::Exception("handler failed");
  };
  EXPECT_THROW(Ping(3, "198.18.0.20"), base::Exception);
  EXPECT_EQ(h.echo.Sent.size(), 1u);
  EXPECT_EQ(h.echo.OpenHandles, 0);
  EXPECT_EQ(Count("Sleep"), 0);
}

}  // namespace
