// ICMP echo messages: building, matching and mapping to status codes.
#include "platform/posix/EchoMatch.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace posix {

namespace {

constexpr std::uint8_t kProtocolIcmp = 1;
constexpr std::size_t kIcmpHeaderSize = 8;
constexpr std::size_t kIpHeaderSize = 20;

std::uint16_t Get16(const unsigned char* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

void Put16(unsigned char* p, std::uint16_t value) {
  p[0] = static_cast<unsigned char>(value >> 8);
  p[1] = static_cast<unsigned char>(value & 0xFF);
}

std::uint32_t Get32Raw(const unsigned char* p) {
  std::uint32_t value;
  std::memcpy(&value, p, sizeof value);  // stays in network byte order
  return value;
}

bool IsEchoOf(const EchoRequest& request, const unsigned char* icmp, std::uint8_t type) {
  return icmp[0] == type && Get16(icmp + 4) == request.Identifier &&
         Get16(icmp + 6) == request.Sequence;
}

}  // namespace

std::uint16_t InternetChecksum(const unsigned char* data, std::size_t size) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    sum += Get16(data + i);
  }
  if (size % 2 != 0) {
    sum += static_cast<std::uint32_t>(data[size - 1]) << 8;
  }
  while ((sum >> 16) != 0) {
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  return static_cast<std::uint16_t>(~sum & 0xFFFF);
}

std::vector<unsigned char> BuildEchoRequest(const EchoRequest& request,
                                            const std::vector<unsigned char>& data) {
  std::vector<unsigned char> message(kIcmpHeaderSize + data.size());
  message[0] = icmptype::kEcho;
  Put16(message.data() + 4, request.Identifier);
  Put16(message.data() + 6, request.Sequence);
  std::copy(data.begin(), data.end(), message.begin() + kIcmpHeaderSize);
  Put16(message.data() + 2, InternetChecksum(message.data(), message.size()));
  return message;
}

std::optional<IcmpMessage> FromIpPacket(const unsigned char* packet, std::size_t size) {
  if (size < kIpHeaderSize || (packet[0] >> 4) != 4 || packet[9] != kProtocolIcmp) {
    return std::nullopt;
  }
  const std::size_t headerSize = static_cast<std::size_t>(packet[0] & 0x0F) * 4;
  const std::size_t total = Get16(packet + 2);
  if (headerSize < kIpHeaderSize || total > size || total < headerSize + kIcmpHeaderSize) {
    return std::nullopt;
  }
  // Raw sockets pass on what the wire gave them, a corrupted message too.
  if (InternetChecksum(packet + headerSize, total - headerSize) != 0) {
    return std::nullopt;
  }
  return IcmpMessage{Get32Raw(packet + 12), packet[8], packet + headerSize, total - headerSize};
}

bool QuotesRequest(const EchoRequest& request, std::uint32_t destination, const unsigned char* icmp,
                   std::size_t size) {
  return destination == request.Target && size >= kIcmpHeaderSize &&
         IsEchoOf(request, icmp, icmptype::kEcho);
}

std::optional<std::int32_t> Match(const EchoRequest& request, const IcmpMessage& message) {
  if (message.Size < kIcmpHeaderSize) {
    return std::nullopt;
  }
  const unsigned char* icmp = message.Data;
  if (icmp[0] == icmptype::kEchoReply) {
    if (message.Source == request.Target && IsEchoOf(request, icmp, icmptype::kEchoReply)) {
      return status::kSuccess;
    }
    return std::nullopt;
  }
  const std::optional<std::int32_t> error = ErrorStatus(icmp[0], icmp[1]);
  if (!error) {
    return std::nullopt;
  }
  // An error quotes the IP header of the packet it concerns and the start of its ICMP message.
  const unsigned char* quoted = icmp + kIcmpHeaderSize;
  const std::size_t quotedSize = message.Size - kIcmpHeaderSize;
  if (quotedSize < kIpHeaderSize || quoted[9] != kProtocolIcmp) {
    return std::nullopt;
  }
  const std::size_t headerSize = static_cast<std::size_t>(quoted[0] & 0x0F) * 4;
  if (headerSize < kIpHeaderSize || headerSize > quotedSize) {
    return std::nullopt;
  }
  if (!QuotesRequest(request, Get32Raw(quoted + 16), quoted + headerSize,
                     quotedSize - headerSize)) {
    return std::nullopt;
  }
  return error;
}

std::optional<std::int32_t> ErrorStatus(std::uint8_t type, std::uint8_t code) {
  switch (type) {
    case icmptype::kDestUnreachable:
      switch (code) {
        case 0:   // network unreachable
        case 6:   // network unknown
        case 9:   // network administratively prohibited
        case 11:  // network unreachable for the type of service
          return status::kDestNetUnreachable;
        case 2:
          return status::kDestProtUnreachable;
        case 3:
          return status::kDestPortUnreachable;
        case 4:  // fragmentation needed
          return status::kPacketTooBig;
        case 5:  // source route failed
          return status::kBadRoute;
        default:
          return status::kDestHostUnreachable;
      }
    case icmptype::kTimeExceeded:
      return code == 0 ? status::kTtlExpiredTransit : status::kTtlExpiredReassembly;
    case icmptype::kParameterProblem:
      return status::kParameterProblem;
    default:
      return std::nullopt;
  }
}

std::int32_t SendFailureStatus(int error) {
  switch (error) {
    case ENETUNREACH:
    case ENETDOWN:
      return status::kDestNetUnreachable;
    case EHOSTUNREACH:
    case EHOSTDOWN:
      return status::kDestHostUnreachable;
    case EMSGSIZE:
      return status::kPacketTooBig;
    case ENOBUFS:
    case ENOMEM:
      return status::kNoResources;
    case EBADF:
    case ENOTSOCK:
      return status::kInvalidHandle;
    default:
      return status::kGeneralFailure;
  }
}

}  // namespace posix
