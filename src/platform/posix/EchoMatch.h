// ICMP echo messages: building a request, telling whether a received message answers it, and the
// Windows status code each outcome carries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace posix {

// The ICMP message types an echo deals with.
namespace icmptype {
constexpr std::uint8_t kEchoReply = 0;
constexpr std::uint8_t kDestUnreachable = 3;
constexpr std::uint8_t kEcho = 8;
constexpr std::uint8_t kTimeExceeded = 11;
constexpr std::uint8_t kParameterProblem = 12;
}  // namespace icmptype

// Status codes of the Windows echo service, reported for the same outcomes.
namespace status {
constexpr std::int32_t kSuccess = 0;
constexpr std::int32_t kInvalidHandle = 6;  // ERROR_INVALID_HANDLE
constexpr std::int32_t kDestNetUnreachable = 11002;
constexpr std::int32_t kDestHostUnreachable = 11003;
constexpr std::int32_t kDestProtUnreachable = 11004;
constexpr std::int32_t kDestPortUnreachable = 11005;
constexpr std::int32_t kNoResources = 11006;
constexpr std::int32_t kPacketTooBig = 11009;
constexpr std::int32_t kRequestTimedOut = 11010;
constexpr std::int32_t kBadRoute = 11012;
constexpr std::int32_t kTtlExpiredTransit = 11013;
constexpr std::int32_t kTtlExpiredReassembly = 11014;
constexpr std::int32_t kParameterProblem = 11015;
constexpr std::int32_t kGeneralFailure = 11050;
}  // namespace status

// The echo a socket waits for. Addresses are in network byte order.
struct EchoRequest {
  std::uint32_t Target = 0;
  std::uint16_t Identifier = 0;
  std::uint16_t Sequence = 0;
};

// One message read from an ICMP socket: who sent it, with what time-to-live, and the ICMP
// message itself, from its header on.
struct IcmpMessage {
  std::uint32_t Source = 0;
  std::uint8_t Ttl = 0;
  const unsigned char* Data = nullptr;
  std::size_t Size = 0;
};

// An echo request message: header (with its checksum) and data.
std::vector<unsigned char> BuildEchoRequest(const EchoRequest& request,
                                            const std::vector<unsigned char>& data);

// The Internet checksum of a block of bytes.
std::uint16_t InternetChecksum(const unsigned char* data, std::size_t size);

// An IPv4 packet as a raw socket reads it, taken apart; none when it is no whole ICMP packet.
std::optional<IcmpMessage> FromIpPacket(const unsigned char* packet, std::size_t size);

// The status a message gives the echo: 0 for its reply, an error code for an ICMP error about it,
// none when it is about something else (to be dropped).
std::optional<std::int32_t> Match(const EchoRequest& request, const IcmpMessage& message);

// True when a quoted request (its destination and its ICMP header as an error returns them) is
// the echo asked for.
bool QuotesRequest(const EchoRequest& request, std::uint32_t destination, const unsigned char* icmp,
                   std::size_t size);

// The status of an ICMP error message of this type and code; none for types that are no error
// of an echo.
std::optional<std::int32_t> ErrorStatus(std::uint8_t type, std::uint8_t code);

// The status of a send that failed with this errno.
std::int32_t SendFailureStatus(int error);

}  // namespace posix
