// Telling the reply to an echo from everything else a socket reads, and the status codes.
#include "platform/posix/EchoMatch.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

using posix::EchoRequest;
using Bytes = std::vector<unsigned char>;

const std::uint32_t kUs = inet_addr("198.18.0.1");
const std::uint32_t kTarget = inet_addr("198.18.0.35");
const std::uint32_t kOther = inet_addr("198.18.0.20");
const EchoRequest kRequest{kTarget, 0x1234, 7};
const Bytes kData(64, 0xA7);

// An IPv4 packet carrying an ICMP message, with both checksums right.
Bytes IpPacket(std::uint32_t from, std::uint32_t to, Bytes icmp) {
  const std::uint16_t icmpSum = posix::InternetChecksum(icmp.data(), icmp.size());
  icmp[2] = static_cast<unsigned char>(icmpSum >> 8);
  icmp[3] = static_cast<unsigned char>(icmpSum & 0xFF);
  Bytes packet(20 + icmp.size());
  packet[0] = 0x45;
  packet[2] = static_cast<unsigned char>((20 + icmp.size()) >> 8);
  packet[3] = static_cast<unsigned char>((20 + icmp.size()) & 0xFF);
  packet[8] = 61;
  packet[9] = 1;
  std::memcpy(&packet[12], &from, 4);
  std::memcpy(&packet[16], &to, 4);
  std::copy(icmp.begin(), icmp.end(), packet.begin() + 20);
  return packet;
}

Bytes Echo(std::uint8_t type, std::uint16_t id, std::uint16_t sequence) {
  EchoRequest request{0, id, sequence};
  Bytes message = posix::BuildEchoRequest(request, kData);
  message[0] = type;
  message[2] = message[3] = 0;
  return message;
}

// An ICMP error quoting the IP header and the first 8 bytes of the packet it concerns.
Bytes Error(std::uint8_t type, std::uint8_t code, const Bytes& concerned, long quoted = 28) {
  Bytes message(8 + static_cast<std::size_t>(quoted));
  message[0] = type;
  message[1] = code;
  std::copy(concerned.begin(), concerned.begin() + quoted, message.begin() + 8);
  return message;
}

const Bytes kOurRequest = IpPacket(kUs, kTarget, Echo(8, 0x1234, 7));

TEST(EchoMatch, OnlyTheReplyOrAnErrorAboutTheRequestCounts) {
  struct Case {
    const char* what;
    Bytes packet;
    std::optional<std::int32_t> expected;
  };
  const Case cases[] = {
      {"the reply", IpPacket(kTarget, kUs, Echo(0, 0x1234, 7)), 0},
      {"a reply from another host", IpPacket(kOther, kUs, Echo(0, 0x1234, 7)), std::nullopt},
      {"a reply of another identifier", IpPacket(kTarget, kUs, Echo(0, 0x1235, 7)), std::nullopt},
      {"a reply of another sequence", IpPacket(kTarget, kUs, Echo(0, 0x1234, 8)), std::nullopt},
      {"a request", IpPacket(kTarget, kUs, Echo(8, 0x1234, 7)), std::nullopt},
      {"host unreachable", IpPacket(kOther, kUs, Error(3, 1, kOurRequest)), 11003},
      {"net unreachable", IpPacket(kOther, kUs, Error(3, 0, kOurRequest)), 11002},
      {"protocol unreachable", IpPacket(kOther, kUs, Error(3, 2, kOurRequest)), 11004},
      {"port unreachable", IpPacket(kOther, kUs, Error(3, 3, kOurRequest)), 11005},
      {"admin prohibited", IpPacket(kOther, kUs, Error(3, 13, kOurRequest)), 11003},
      {"time exceeded", IpPacket(kOther, kUs, Error(11, 0, kOurRequest)), 11013},
      {"an error about a request elsewhere",
       IpPacket(kOther, kUs, Error(3, 1, IpPacket(kUs, kOther, Echo(8, 0x1234, 7)))), std::nullopt},
      {"an error about another sequence",
       IpPacket(kOther, kUs, Error(3, 1, IpPacket(kUs, kTarget, Echo(8, 0x1234, 6)))),
       std::nullopt},
      {"a redirect", IpPacket(kOther, kUs, Error(5, 1, kOurRequest)), std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::optional<posix::IcmpMessage> message =
        posix::FromIpPacket(c.packet.data(), c.packet.size());
    ASSERT_TRUE(message);
    EXPECT_EQ(posix::Match(kRequest, *message), c.expected);
  }
}

TEST(EchoMatch, BrokenPacketsAreDropped) {
  const Bytes good = IpPacket(kTarget, kUs, Echo(0, 0x1234, 7));
  Bytes corrupted = good;
  corrupted[corrupted.size() - 1] ^= 0x01;
  Bytes longer = good;
  longer[3] = static_cast<unsigned char>(longer[3] + 1);  // claims one byte more than came
  const Bytes cut(good.begin(), good.begin() + 24);
  EXPECT_FALSE(posix::FromIpPacket(corrupted.data(), corrupted.size()));
  EXPECT_FALSE(posix::FromIpPacket(longer.data(), longer.size()));
  EXPECT_FALSE(posix::FromIpPacket(cut.data(), cut.size()));

  for (long quoted : {0L, 19L, 24L}) {  // short of the quoted IP header and ICMP header
    const Bytes error = IpPacket(kOther, kUs, Error(3, 1, kOurRequest, quoted));
    const auto message = posix::FromIpPacket(error.data(), error.size());
    ASSERT_TRUE(message);
    EXPECT_EQ(posix::Match(kRequest, *message), std::nullopt) << quoted;
  }
}

TEST(EchoMatch, TheRequestCarriesItsChecksumIdentifierAndSequence) {
  for (std::size_t size : {std::size_t{0}, std::size_t{63}, std::size_t{64}}) {
    const Bytes message = posix::BuildEchoRequest(kRequest, Bytes(size, 0xA7));
    ASSERT_EQ(message.size(), 8 + size);
    EXPECT_EQ(posix::InternetChecksum(message.data(), message.size()), 0);
    EXPECT_TRUE(posix::QuotesRequest(kRequest, kTarget, message.data(), message.size()));
  }
}

// Known answers, worked out apart from the code: RFC 1071's example, odd sizes (the last byte
// is the high byte of a word), carries folded back in, and an echo request of the program's.
TEST(EchoMatch, TheInternetChecksumGivesKnownAnswers) {
  struct Case {
    Bytes data;
    std::uint16_t sum;
  };
  Bytes request = {0x08, 0x00, 0x00, 0x00, 0x12, 0x34, 0x00, 0x01};
  request.insert(request.end(), 63, 0xA7);
  const Case cases[] = {
      {{}, 0xFFFF},
      {{0x00, 0x01, 0xF2, 0x03, 0xF4, 0xF5, 0xF6, 0xF7}, 0x220D},
      {{0xAB}, 0x54FF},
      {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0x00FF},
      {{0x08, 0x00, 0x00, 0x00, 0x12, 0x34, 0x00, 0x01}, 0xE5CA},
      {Bytes(64, 0xA7), 0x0B0B},
      {request, 0xF17C},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(posix::InternetChecksum(c.data.data(), c.data.size()), c.sum) << c.data.size();
  }
}

TEST(EchoMatch, FailedSendsGiveTheWindowsCodeOfTheSameSituation) {
  EXPECT_EQ(posix::SendFailureStatus(ENETUNREACH), 11002);
  EXPECT_EQ(posix::SendFailureStatus(EHOSTUNREACH), 11003);
  EXPECT_EQ(posix::SendFailureStatus(EMSGSIZE), 11009);
  EXPECT_EQ(posix::SendFailureStatus(EBADF), 6);
  EXPECT_EQ(posix::SendFailureStatus(EPERM), 11050);
}

}  // namespace
