"""Reads and rewrites, in place and at the same length, one stream of a compound file (the OLE
storage a Windows Installer package is), and the properties of its summary information.

Only what cmake/make_msi.py needs: streams are found by name among all directory entries (a
package keeps its streams in the root storage), and a property is rewritten only with a value
of the same size, so that no sector moves.
"""

import struct

SIGNATURE = bytes.fromhex("d0cf11e0a1b11ae1")
END_OF_CHAIN = 0xFFFFFFFE
SUMMARY = "\x05SummaryInformation"
# Property types of a property set.
VT_I2, VT_I4, VT_LPSTR, VT_FILETIME = 2, 3, 30, 64
# The summary information's properties that make_msi.py sets.
PID_TEMPLATE, PID_REVNUMBER, PID_CREATE_DTM, PID_LASTSAVE_DTM, PID_WORDCOUNT = 7, 9, 12, 13, 15


class FormatError(Exception):
    pass


class CompoundFile:
    def __init__(self, data):
        if data[:8] != SIGNATURE:
            raise FormatError("not a compound file")
        self.data = data
        self.sector = 1 << struct.unpack_from("<H", data, 0x1E)[0]
        self.mini = 1 << struct.unpack_from("<H", data, 0x20)[0]
        fat_count, self.directory, self.cutoff, mini_fat, _, difat, difat_count = (
            struct.unpack_from("<II4xIIIII", data, 0x2C))
        fat_sectors = list(struct.unpack_from("<109I", data, 0x4C))
        per_sector = self.sector // 4 - 1
        for _ in range(difat_count):
            at = self._at(difat)
            fat_sectors += struct.unpack_from(f"<{per_sector}I", data, at)
            difat = struct.unpack_from("<I", data, at + per_sector * 4)[0]
        self.fat = []
        for s in fat_sectors[:fat_count]:
            self.fat += struct.unpack_from(f"<{self.sector // 4}I", data, self._at(s))
        self.mini_fat = []
        for s in self._chain(mini_fat) if mini_fat != END_OF_CHAIN else []:
            self.mini_fat += struct.unpack_from(f"<{self.sector // 4}I", data, self._at(s))
        self.entries = {}
        for s in self._chain(self.directory):
            for at in range(self._at(s), self._at(s) + self.sector, 128):
                length, kind = struct.unpack_from("<HB", data, at + 64)
                if kind == 0:
                    continue
                name = data[at:at + max(length - 2, 0)].decode("utf-16-le")
                start, size = struct.unpack_from("<IQ", data, at + 116)
                self.entries[name] = (kind, start, size & 0xFFFFFFFF)
        root = [e for e in self.entries.values() if e[0] == 5]
        if len(root) != 1:
            raise FormatError("no single root entry")
        self.mini_stream = self._chain(root[0][1])

    def _at(self, sector):
        return (sector + 1) * self.sector

    def _chain(self, start):
        chain, seen = [], set()
        while start != END_OF_CHAIN:
            if start in seen or start >= len(self.fat):
                raise FormatError("a broken sector chain")
            seen.add(start)
            chain.append(start)
            start = self.fat[start]
        return chain

    def _pieces(self, name):
        """Where the stream's bytes lie in the file: (offset, length) pieces, in order."""
        if name not in self.entries:
            raise FormatError(f"no stream {name!r}")
        _, start, size = self.entries[name]
        pieces = []
        if size < self.cutoff:
            while start != END_OF_CHAIN and len(pieces) * self.mini < size:
                at = start * self.mini
                host = self.mini_stream[at // self.sector]
                pieces.append(self._at(host) + at % self.sector)
                start = self.mini_fat[start]
            unit = self.mini
        else:
            pieces = [self._at(s) for s in self._chain(start)]
            unit = self.sector
        if len(pieces) * unit < size:
            raise FormatError(f"the stream {name!r} is shorter than its size")
        return [(at, min(unit, size - n * unit)) for n, at in enumerate(pieces)]

    def read(self, name):
        return b"".join(bytes(self.data[at:at + n]) for at, n in self._pieces(name))

    def write(self, name, content):
        pieces = self._pieces(name)
        if len(content) != sum(n for _, n in pieces):
            raise FormatError(f"the stream {name!r} would change its size")
        done = 0
        for at, n in pieces:
            self.data[at:at + n] = content[done:done + n]
            done += n


def _properties(stream):
    """The summary information's properties: {id: (type, offset of the value, length)}."""
    if len(stream) < 48 or struct.unpack_from("<H", stream, 0)[0] != 0xFFFE:
        raise FormatError("not a property set")
    section = struct.unpack_from("<I", stream, 44)[0]
    count = struct.unpack_from("<I", stream, section + 4)[0]
    found = {}
    for n in range(count):
        pid, offset = struct.unpack_from("<II", stream, section + 8 + 8 * n)
        at = section + offset
        kind = struct.unpack_from("<I", stream, at)[0]
        if kind == VT_LPSTR:
            length = struct.unpack_from("<I", stream, at + 4)[0]
            found[pid] = (kind, at + 8, length)
        else:
            found[pid] = (kind, at + 4, {VT_I2: 2, VT_I4: 4, VT_FILETIME: 8}.get(kind, 0))
    return found


def filetime(epoch):
    """A time in seconds since 1970 as a FILETIME: 100 ns steps since 1601."""
    return (epoch + 11644473600) * 10_000_000


def summary(data):
    """The summary information's readable properties: {id: int or str}."""
    stream = CompoundFile(data).read(SUMMARY)
    values = {}
    for pid, (kind, at, length) in _properties(stream).items():
        if kind == VT_LPSTR:
            values[pid] = stream[at:at + length].rstrip(b"\0").decode("latin-1")
        elif length:
            values[pid] = int.from_bytes(stream[at:at + length], "little", signed=kind != 64)
    return values


def set_summary(data, changes):
    """Sets summary properties of `data` (a bytearray) in place: {id: int or str}. Text must
    keep its stored length."""
    cf = CompoundFile(data)
    stream = bytearray(cf.read(SUMMARY))
    found = _properties(stream)
    for pid, value in changes.items():
        if pid not in found:
            raise FormatError(f"the summary information has no property {pid}")
        kind, at, length = found[pid]
        if kind == VT_LPSTR:
            raw = value.encode("latin-1") + b"\0"
            if len(raw) != length:
                raise FormatError(f"property {pid}: {value!r} is not {length - 1} characters")
        else:
            raw = value.to_bytes(length, "little", signed=kind != VT_FILETIME)
        stream[at:at + length] = raw
    cf.write(SUMMARY, bytes(stream))
