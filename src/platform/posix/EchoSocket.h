// ICMP sockets for echoes: opening one, sending an echo request on it and waiting for the outcome.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "probe/EchoService.h"

namespace posix {

// Which ICMP socket to use. Any takes a datagram socket where the process may open one (its
// group lies in net.ipv4.ping_group_range), else a raw one (it needs CAP_NET_RAW).
enum class SocketKind { Any, Datagram, Raw };

// An ICMP socket of that kind, ready for echoes; -1 (with errno set) when none may be opened.
int OpenIcmpSocket(SocketKind kind);

// The identifier the socket's echoes carry: a datagram socket's port, which the kernel writes
// into every request it sends, or the low 16 bits of the process id on a raw socket. None (with
// errno set) when the descriptor is no socket.
std::optional<std::uint16_t> EchoIdentifier(int fd);

// Sends one echo request to target (network byte order) and waits up to timeoutMs for its reply
// or an ICMP error about it; messages about anything else are read and dropped.
probe::EchoReply ExchangeEcho(int fd, std::uint32_t target, std::uint16_t sequence,
                              const std::vector<unsigned char>& data, std::uint8_t ttl,
                              std::uint32_t timeoutMs);

}  // namespace posix
