"""The test hosts that the responder serves in vx-hosts-ID: address -> reply delay in ms (None:
never answers). The one table of them, read by the e2e rig and, through the command line,
netns.sh.

    python3 tests/network/hosts.py         prints the responder's rules, ADDR=MS|never, one a line
"""

HOSTS = {"198.18.0.20": 20, "198.18.0.35": 350, "198.18.0.65": 650, "198.18.0.95": 950,
         "198.18.0.99": None}


def rules():
    return [f"{a}={'never' if d is None else d}" for a, d in HOSTS.items()]


if __name__ == "__main__":
    print("\n".join(rules()))
