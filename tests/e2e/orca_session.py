"""Orca, the screen reader, in the Linux driver's desktop session (linux_session.py): what it
speaks, as its debug log records each "SPEECH OUTPUT".

Orca speaks through speech-dispatcher, which it reaches by the socket in XDG_RUNTIME_DIR; both
run inside the rig's test namespace, as root (the program's user, whose AT-SPI connections
admit it), with a home of their own. speech-dispatcher sends espeak-ng's sound to ALSA's null
device: with no sound server its default output fails, and without any output espeak-ng stalls,
and Orca waits on it for good.

Orca refuses to start while any other process named orca runs under its user anywhere on the
machine (it asks pgrep), so it runs in a PID namespace of its own, where it sees itself alone.
(Its --replace would kill the others: never used here.)

Orca writes its debug log through a buffer that a file would fill for seconds; a terminal is
written line by line. So the log goes to a pseudo-terminal, read here as it comes, and kept in
the run folder as orca-*.log.
"""

import os
import re
import signal
import threading
import time

from driver import Heard
from linux_session import with_descendants
from rig import background, check, ended, exit_text, group_ended, kill, poll

# A line of the log: SPEECH OUTPUT: 'what it says' and, mostly, {its voice settings}.
SPEECH = re.compile(r"SPEECH OUTPUT: '(.*)'\s*(\{.*\})?\r?$")
READY_TEXT = "Screen reader on."
# ALSA's default device, for espeak-ng: the null device.
ASOUNDRC = "pcm.!default { type null }\n"
# speech-dispatcher's own output: ALSA (its default is PulseAudio alone).
SPEECHD_CONF = 'AudioOutputMethod "alsa"\n'


class Orca:
    """Made first, then started: what a failed start leaves, stop() ends."""

    def __init__(self, session):
        self.session = session
        self.popens = []
        self.speechd = self.orca = self.master = self.slave = self.reader = None
        self._heard, self._lock = [], threading.Lock()
        self._stopped = False

    def start(self):
        session = self.session
        rig = session.rig
        stamp = time.monotonic_ns()
        self.folder = os.path.join(session.area, f"orca-{stamp}")
        home, runtime = os.path.join(self.folder, "home"), os.path.join(self.folder, "runtime")
        os.makedirs(os.path.join(home, ".config", "speech-dispatcher"))
        os.makedirs(runtime, 0o700)
        write(os.path.join(home, ".asoundrc"), ASOUNDRC)
        write(os.path.join(home, ".config", "speech-dispatcher", "speechd.conf"), SPEECHD_CONF)
        env = dict(session.env(), HOME=home, XDG_RUNTIME_DIR=runtime)
        self.log_path = os.path.join(rig.run_dir, f"orca-{stamp}.log")

        # Started first and waited for: Orca would otherwise start a daemon of its own.
        self.speechd = self._start(rig, ["speech-dispatcher", "-s", "-t", "0"], env, "speechd")
        socket = os.path.join(runtime, "speech-dispatcher", "speechd.sock")
        _, up = poll(lambda: os.path.exists(socket) or self.speechd.poll() is not None,
                     bool, 10)
        check(up and self.speechd.poll() is None,
              f"speech-dispatcher did not listen at {socket} within 10 s "
              f"({exit_text(self.speechd.poll())})")

        self.master, slave = os.openpty()
        # Held open until the end, so that reading never finds the terminal without a writer.
        self.slave = slave
        self.orca = self._start(
            rig, ["unshare", "--pid", "--fork", "--mount-proc", "orca",
                  f"--debug-file={os.ttyname(slave)}"], env, "orca")
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()
        said, ready = poll(lambda: [h.text for h in self.heard()],
                           lambda texts: READY_TEXT in texts or self.orca.poll() is not None, 20)
        check(ready and self.orca.poll() is None,
              f"Orca did not say {READY_TEXT!r} within 20 s ({exit_text(self.orca.poll())}; "
              f"said {said}; see {os.path.basename(self.log_path)})")

    def _start(self, rig, argv, env, name):
        popen = background(rig.in_app_ns(argv, env), os.path.join(
            rig.run_dir, f"{name}-{os.path.basename(self.folder)}.out"), cwd=self.folder)
        self.popens.append(popen)
        return popen

    def _read(self):
        """Takes the log's lines as Orca writes them, noting when each utterance came."""
        pending = b""
        with open(self.log_path, "wb") as log:
            while True:
                try:
                    chunk = os.read(self.master, 65536)
                except OSError:  # the terminal was closed
                    return
                if not chunk:
                    return
                log.write(chunk)
                pending += chunk
                *lines, pending = pending.split(b"\n")
                now = time.time()
                for line in lines:
                    m = SPEECH.search(line.decode("utf-8", "replace"))
                    if m:
                        with self._lock:
                            self._heard.append(Heard(t=now, text=m.group(1)))

    def heard(self):
        with self._lock:
            return list(self._heard)

    def stop(self):
        if not self._stopped:
            self._stopped = True
            # Orca first, so that it does not wait on a speech server that has gone. Orca itself
            # is the child of unshare, which waits for it and would not pass a signal on.
            if self.orca:
                end(self.orca,
                    [p for p in with_descendants([self.orca.pid]) if p != self.orca.pid])
            if self.speechd:
                end(self.speechd, [self.speechd.pid])
            if self.slave is not None:
                os.close(self.slave)
            if self.reader:
                self.reader.join(5)
            if self.master is not None:
                os.close(self.master)
        return self.heard()


def end(popen, pids):
    """TERM to `pids`; once they have ended, or 10 s later, KILL to what is left of popen's
    process group (a speech module, say), and waits until it is empty."""
    for pid in pids:
        kill(pid, signal.SIGTERM)
    poll(lambda: all(ended(p) for p in pids), bool, 10)
    for _ in range(2):
        if group_ended(popen.pid):
            break
        kill(popen.pid, signal.SIGKILL, group=True)
        poll(lambda: group_ended(popen.pid), bool, 5)
    popen.wait(5)


def write(path, text):
    with open(path, "w") as f:
        f.write(text)
