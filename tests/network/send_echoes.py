#!/usr/bin/env python3
"""Sends one raw ICMP echo to each test host at once and prints one JSON line per reply (its
delay, whether its data and checksum hold), for the rig's check of the responder: run inside the
test namespace as `send_echoes.py ADDR...`."""

import ipaddress
import json
import os
import select
import socket
import struct
import sys
import time

TEST_NET = ipaddress.ip_network("198.18.0.0/24")


def checksum(data):
    if len(data) % 2:
        data += b"\0"
    s = sum(struct.unpack(f"!{len(data) // 2}H", data))
    while s >> 16:
        s = (s & 0xFFFF) + (s >> 16)
    return ~s & 0xFFFF


def probe(addrs, wait_s):
    for a in addrs:
        if ipaddress.ip_address(a) not in TEST_NET:  # never anything but the test hosts
            sys.exit(f"refusing to send to {a}")
    sock = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_ICMP)
    ident = os.getpid() & 0xFFFF
    sent = {}
    for seq, addr in enumerate(addrs, start=1):
        payload = bytes((seq * 7 + i) & 0xFF for i in range(37))  # odd length on purpose
        head = struct.pack("!BBHHH", 8, 0, 0, ident, seq)
        packet = struct.pack("!BBHHH", 8, 0, checksum(head + payload), ident, seq) + payload
        sent[seq] = (addr, payload, time.monotonic())
        sock.sendto(packet, (addr, 0))
    results = {}
    deadline = time.monotonic() + wait_s
    while len(results) < len(sent) and time.monotonic() < deadline:
        ready, _, _ = select.select([sock], [], [], max(deadline - time.monotonic(), 0))
        if not ready:
            break
        data, (src, _) = sock.recvfrom(65536)
        now = time.monotonic()
        icmp = data[(data[0] & 0x0F) * 4:]
        if len(icmp) < 8 or icmp[0] != 0:
            continue
        _, _, _, rid, rseq = struct.unpack("!BBHHH", icmp[:8])
        if rid != ident or rseq not in sent or rseq in results:
            continue
        addr, payload, t0 = sent[rseq]
        results[rseq] = {"addr": addr, "from": src, "ms": (now - t0) * 1000,
                         "data_ok": icmp[8:] == payload, "sum_ok": checksum(icmp) == 0}
    for seq, (addr, _, _) in sent.items():
        print(json.dumps(results.get(seq, {"addr": addr, "ms": None})))


if __name__ == "__main__":
    probe(sys.argv[1:], 2.0)
