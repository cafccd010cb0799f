// The Win32 echo service under Wine: the real socket layer and ICMP.DLL, against loopback and,
// inside the test network, against the test hosts.
#include "platform/win32/Win32EchoService.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "platform/win32/Win32.h"
#include "platform/win32/Win32Backend.h"

// After windows.h, which it needs.
#include <mmsystem.h>
#include "probe/KvICMP.h"

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
    ASSERT_EQ(service.WSAStartup(0x0101, granted), 0);
    ASSERT_EQ(granted, 0x0101);
    module = service.LoadLibraryA("ICMP.DLL");
    ASSERT_NE(module, nullptr);
    create = service.GetProcAddress(module, "IcmpCreateFile");
    close = service.GetProcAddress(module, "IcmpCloseHandle");
    send = service.GetProcAddress(module, "IcmpSendEcho");
    ASSERT_NE(create, nullptr);
    ASSERT_NE(close, nullptr);
    ASSERT_NE(send, nullptr);
    handle = service.IcmpCreateFile(create);
  }
  void TearDown() override {
    if (handle != nullptr) {
      service.IcmpCloseHandle(close, handle);
      service.WSACleanup();
    }
  }

  struct Outcome {
    std::uint32_t Count;
    probe::EchoReply Reply;
    DWORD Took;
    int LastError;
  };

  Outcome Echo(const char* address, std::uint32_t timeout) {
    std::vector<unsigned char> request(64, 0xA7);
    std::vector<unsigned char> reply(service.ReplyRecordSize() + 64 + 8);
    probe::IpOptions options;
    options.Ttl = 255;
    const DWORD start = timeGetTime();
    const std::uint32_t count =
        service.IcmpSendEcho(send, handle, service.InetAddr(address), request.data(), 64, options,
                             reply.data(), static_cast<std::uint32_t>(reply.size()), timeout);
    const DWORD took = timeGetTime() - start;
    const int lastError = service.WSAGetLastError();
    return Outcome{count, service.ReadReply(reply.data()), took, lastError};
  }

  win32::Win32EchoService service;
  probe::EchoService::Module module = nullptr;
  probe::EchoService::EntryPoint create = nullptr;
  probe::EchoService::EntryPoint close = nullptr;
  probe::EchoService::EntryPoint send = nullptr;
  probe::EchoService::EchoHandle handle = nullptr;
};

TEST_F(Library, TheReplyRecordHasThePlatformsSize) {
  EXPECT_EQ(service.ReplyRecordSize(), sizeof(void*) == 8 ? 40u : 28u);
}

TEST_F(Library, LoopbackAnswers) {
  const Outcome outcome = Echo("127.0.0.1", 2000);
  ASSERT_EQ(outcome.Count, 1u);
  EXPECT_EQ(outcome.Reply.Status, 0u);
  EXPECT_EQ(service.InetNtoa(outcome.Reply.Address), "127.0.0.1");
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
    ASSERT_EQ(outcome.Count, 1u);
    EXPECT_EQ(outcome.Reply.Status, 0u);
    EXPECT_EQ(service.InetNtoa(outcome.Reply.Address), c.address);
    EXPECT_GE(outcome.Took + 2, c.delay);
    EXPECT_LT(outcome.Took, c.delay + 100);
  }
  const Outcome silent = Echo("198.18.0.99", 700);
  EXPECT_EQ(silent.Count, 0u);
  EXPECT_EQ(silent.LastError, kIpRequestTimedOut);
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
  fw::TApplication application(backend);
  probe::TKvICMP probe(&application);
  probe.NumberOfPings = 1;
  probe.Delay = 50;
  probe.Address = " 127.0.0.1 ";
  std::vector<std::int32_t> statuses;
  std::string from;
  probe.OnReply = [&](fw::TObject*, std::int32_t status, std::string address, std::int32_t,
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
