#!/usr/bin/env python3
"""A bare ICMP echo over a datagram socket, timed around itself: the yardstick for the panel's
figure. Run inside the test namespace: bare_echo.py ADDR COUNT; prints each round trip in
milliseconds, one per line, one second apart."""

import ipaddress
import select
import socket
import struct
import sys
import time

TEST_NET = ipaddress.ip_network("198.18.0.0/24")


def main(addr, count):
    if ipaddress.ip_address(addr) not in TEST_NET:  # never anything but the test hosts
        sys.exit(f"refusing to send to {addr}")
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM, socket.IPPROTO_ICMP)
    sock.setsockopt(socket.IPPROTO_IP, socket.IP_TTL, 255)
    for seq in range(1, count + 1):
        # The kernel fills in the identifier and the checksum of a datagram ICMP socket.
        packet = struct.pack("!BBHHH", 8, 0, 0, 0, seq) + b"\xa7" * 64
        start = time.perf_counter()
        sock.sendto(packet, (addr, 0))
        while True:
            left = 5 - (time.perf_counter() - start)
            if left <= 0 or not select.select([sock], [], [], left)[0]:
                print("timeout", flush=True)
                break
            reply = sock.recv(2048)
            if reply[0] == 0 and struct.unpack("!H", reply[6:8])[0] == seq:
                print(f"{(time.perf_counter() - start) * 1000:.3f}", flush=True)
                break
        time.sleep(1)


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]))
