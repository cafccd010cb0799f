// The Win32 echo service under Wine: the real socket layer and ICMP.DLL, against loopback and,
// inside the test network, against the test hosts.
#include "platform/win32/Win32EchoService.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "platform/win32/Win32.h"
#include "platform/win32/Win32Backend.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Locale.h"
#include "probe/KvICMP.h"

// After windows.h, which they need.
#include <mmsystem.h>
#include <winsock.h>

namespace {

constexpr int kIpRequestTimedOut = 11010;

bool Flag(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && std::string(value) == "1";
}

// A bound echo library, as the probe binds it.
class Library : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Flag("VORLIX_EXPECT_NO_ICMP")) {
      GTEST_SKIP() << "ICMP.DLL is switched off in this run";
    }
    std::uint16_t granted = 0;
    ASSERT_EQ(service.StartSockets(0x0101, granted), 0);
    started = true;
    ASSERT_EQ(granted, 0x0101);
    ASSERT_EQ(service.BindEchoLibrary(), probe::BindResult::Bound);
    handle = service.OpenEcho();
    opened = true;
  }
  void TearDown() override {
    if (opened) {
      service.CloseEcho(handle);
    }
    if (started) {
      service.StopSockets();
    }
  }

  struct Outcome {
    probe::EchoReply Reply;
    DWORD Took;
  };

  Outcome Echo(const char* address, std::uint32_t timeout) {
    const std::vector<unsigned char> request(64, 0xA7);
    const DWORD start = timeGetTime();
    const probe::EchoReply reply =
        service.SendEcho(handle, service.ParseAddress(address), request, 255, timeout);
    return Outcome{reply, timeGetTime() - start};
  }

  static std::string Dotted(std::uint32_t address) {
    in_addr value{};
    value.s_addr = address;
    return inet_ntoa(value);
  }

  win32::Win32EchoService service;
  probe::EchoHandle handle = 0;
  bool started = false;
  bool opened = false;
};

TEST(EchoService, TheReplyBufferHoldsARecordTheDataAndRoomForAnIcmpError) {
  // IcmpSendEcho's documentation asks for room for one ICMP_ECHO_REPLY, the echoed data and 8
  // bytes more, the size of an ICMP error message. The reply record is 28 bytes on 32-bit
  // Windows and 40 on 64-bit Windows, where its data and options pointers are 8 bytes wide and
  // aligned.
  const std::size_t record = sizeof(void*) == 8 ? 40u : 28u;
  EXPECT_EQ(win32::Win32EchoService::ReplyBufferSize(64), record + 64u + 8u);
  EXPECT_EQ(win32::Win32EchoService::ReplyBufferSize(0), record + 8u);
}

TEST(EchoService, ALibraryWithoutTheEntryPointsIsNoEchoLibrary) {
  win32::Win32EchoService service("kernel32.dll");
  EXPECT_EQ(service.BindEchoLibrary(), probe::BindResult::EntryPointMissing);
  win32::Win32EchoService missing("no-such-library.dll");
  EXPECT_EQ(missing.BindEchoLibrary(), probe::BindResult::LibraryMissing);
}

TEST_F(Library, AddressesParseAndLookUpAsWinsockDoes) {
  EXPECT_EQ(Dotted(service.ParseAddress("198.18.0.20")), "198.18.0.20");
  EXPECT_EQ(service.ParseAddress("255.255.255.255"), 0xFFFFFFFFu);
  EXPECT_EQ(service.ParseAddress("no.such.host"), 0xFFFFFFFFu);
  const std::optional<std::uint32_t> local = service.LookUp("localhost");
  ASSERT_TRUE(local.has_value());
  EXPECT_EQ(Dotted(*local), "127.0.0.1");
}

TEST_F(Library, LoopbackAnswers) {
  const Outcome outcome = Echo("127.0.0.1", 2000);
  EXPECT_EQ(outcome.Reply.Status, 0);
  EXPECT_EQ(Dotted(outcome.Reply.Address), "127.0.0.1");
  EXPECT_GT(outcome.Reply.Ttl, 0) << "a reply carries its time-to-live";
  EXPECT_LT(outcome.Took, 500u);
}

TEST_F(Library, TestHostsAnswerAfterTheirDelayOrNever) {
  if (!Flag("VORLIX_TEST_NETWORK")) {
    GTEST_SKIP() << "needs the test network";
  }
  struct Case {
    const char* address;
    DWORD delay;
  };
  for (const Case& c : {Case{"198.18.0.20", 20}, Case{"198.18.0.35", 350}}) {
    SCOPED_TRACE(c.address);
    const Outcome outcome = Echo(c.address, 3000);
    EXPECT_EQ(outcome.Reply.Status, 0);
    EXPECT_EQ(Dotted(outcome.Reply.Address), c.address);
    EXPECT_GE(outcome.Took + 2, c.delay);
    EXPECT_LT(outcome.Took, c.delay + 100);
  }
  const Outcome silent = Echo("198.18.0.99", 700);
  EXPECT_EQ(silent.Reply.Status, kIpRequestTimedOut);
  EXPECT_GE(silent.Took + 20, 700u);
  EXPECT_LT(silent.Took, 700u + 300u);
}

TEST(Probe, OneRunAgainstLoopbackReportsOneReply) {
  if (Flag("VORLIX_EXPECT_NO_ICMP")) {
    GTEST_SKIP() << "ICMP.DLL is switched off in this run";
  }
  win32::Win32EchoService service;
  probe::EchoService::Install(&service);
  win32::Win32Backend backend;
  win32::Win32Files files;
  win32::Win32Clock clock;
  win32::Win32Locale locale;
  fw::TApplication application(backend, fw::System{files, clock, locale});
  probe::TKvICMP probe(&application);
  probe.NumberOfPings = 1;
  probe.Delay = 50;
  probe.Address = " 127.0.0.1 ";
  std::vector<std::int32_t> statuses;
  std::string from;
  probe.OnReply = [&](fw::TObject*, std::int32_t status, const std::string& address, std::int32_t,
                      std::uint8_t) {
    statuses.push_back(status);
    from = address;
  };
  probe.Ping();
  ASSERT_EQ(statuses.size(), 1u);
  EXPECT_EQ(statuses[0], 0);
  EXPECT_EQ(from, "127.0.0.1");
  probe::EchoService::Install(nullptr);
}

TEST(WithoutIcmp, TheProbeCannotBeBuilt) {
  if (!Flag("VORLIX_EXPECT_NO_ICMP")) {
    GTEST_SKIP() << "run with WINEDLLOVERRIDES=icmp= and VORLIX_EXPECT_NO_ICMP=1";
  }
  win32::Win32EchoService service;
  probe::EchoService::Install(&service);
  try {
    probe::TKvICMP probe(nullptr);
    ADD_FAILURE() << "the probe was built without ICMP.DLL";
  } catch (const probe::EICMPError& error) {
    EXPECT_EQ(error.Message(), "必要なファイル ICMP.DLL が見つかりません。");
  }
  probe::EchoService::Install(nullptr);
}

}  // namespace
