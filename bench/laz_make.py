#!/usr/bin/env python3
"""Large LAZ files for the benchmark, and their uncompressed twins, made offline from small ones.

laz_make.py LAZ TWIN.las POINTS OUT.laz OUT.las

Repeats whole chunks of LAZ until it holds at least POINTS points and writes their chunk table;
repeats the matching records of TWIN the same number of times. Fixed-size chunks: chunk 0 is
repeated (its point count becomes the chunk size if it was the only, short one); variable-size
chunks: all of them. Counts, box, chunk table and EVLR offsets are written to agree.
"""
import struct
import sys

M = 0xFFFFFFFF
MIN_LENGTH = 1 << 24


class BitModel:
    def __init__(self):
        self.zeros, self.seen, self.p, self.interval, self.countdown = 1, 2, 1 << 12, 4, 4

    def count(self, bit):
        self.zeros += bit == 0
        self.countdown -= 1
        if self.countdown:
            return
        self.seen += self.interval
        if self.seen > 1 << 13:
            self.seen = (self.seen + 1) >> 1
            self.zeros = (self.zeros + 1) >> 1
            self.seen += self.zeros == self.seen
        self.p = (self.zeros * (0x80000000 // self.seen)) >> 18
        self.interval = min((5 * self.interval) >> 2, 64)
        self.countdown = self.interval


class SymbolModel:
    def __init__(self, n):
        self.n, self.counts, self.total, self.interval = n, [1] * n, 0, n
        self.adapt()
        self.interval = self.countdown = (n + 6) >> 1

    def adapt(self):
        self.total += self.interval
        if self.total > 1 << 15:
            self.counts = [(c + 1) >> 1 for c in self.counts]
            self.total = sum(self.counts)
        scale, below, self.start = 0x80000000 // self.total, 0, []
        for c in self.counts:
            self.start.append(((scale * below) & M) >> 16)
            below += c
        self.interval = min((5 * self.interval) >> 2, (self.n + 6) << 3)
        self.countdown = self.interval

    def count(self, s):
        self.counts[s] += 1
        self.countdown -= 1
        if self.countdown == 0:
            self.adapt()


class Encoder:
    def __init__(self):
        self.base, self.length, self.out = 0, M, bytearray()

    def _add(self, x):
        self.base += x
        if self.base > M:  # carry into the bytes already written
            self.base &= M
            i = len(self.out) - 1
            while self.out[i] == 0xFF:
                self.out[i] = 0
                i -= 1
            self.out[i] += 1

    def _renorm(self):
        while self.length < MIN_LENGTH:
            self.out.append(self.base >> 24)
            self.base = (self.base << 8) & M
            self.length = (self.length << 8) & M

    def bit(self, m, b):
        x = m.p * (self.length >> 13)
        if b:
            self._add(x)
            self.length -= x
        else:
            self.length = x
        self._renorm()
        m.count(b)

    def symbol(self, m, s):
        unit = self.length >> 15
        x = m.start[s] * unit
        self._add(x)
        self.length = self.length - x if s + 1 == m.n else m.start[s + 1] * unit - x
        self._renorm()
        m.count(s)

    def raw(self, bits, v):
        if bits > 19:
            self.raw(16, v & 0xFFFF)
            v, bits = v >> 16, bits - 16
        self.length >>= bits
        self._add(v * self.length)
        self._renorm()

    def done(self):
        if self.length > 2 * MIN_LENGTH:
            self._add(MIN_LENGTH)
            self.length = MIN_LENGTH >> 1
        else:
            self._add(MIN_LENGTH >> 1)
            self.length = MIN_LENGTH >> 9
        self._renorm()
        return bytes(self.out) + bytes(4)  # the decoder reads ahead


class Decoder:
    def __init__(self, data):
        self.data, self.at, self.length = data, 4, M
        self.value = int.from_bytes(data[:4], 'big')

    def _renorm(self):
        while self.length < MIN_LENGTH:
            byte = self.data[self.at] if self.at < len(self.data) else 0
            self.at += 1
            self.value = ((self.value << 8) | byte) & M
            self.length = (self.length << 8) & M

    def bit(self, m):
        x = m.p * (self.length >> 13)
        b = int(self.value >= x)
        if b:
            self.value -= x
            self.length -= x
        else:
            self.length = x
        self._renorm()
        m.count(b)
        return b

    def symbol(self, m):
        unit = self.length >> 15
        s = max(i for i in range(m.n) if m.start[i] * unit <= self.value)
        x = m.start[s] * unit
        self.value -= x
        self.length = self.length - x if s + 1 == m.n else m.start[s + 1] * unit - x
        self._renorm()
        m.count(s)
        return s

    def raw(self, bits):
        if bits > 19:
            low = self.raw(16)
            return (self.raw(bits - 16) << 16) | low
        self.length >>= bits
        v = self.value // self.length
        self.value -= v * self.length
        self._renorm()
        return v


class Integers:
    """The integer coder of the chunk table: 32-bit values, two contexts, 8 modelled bits."""

    def __init__(self):
        self.classes = [SymbolModel(33), SymbolModel(33)]
        self.zero_or_one = BitModel()
        self.within = [None] + [SymbolModel(1 << min(k, 8)) for k in range(1, 33)]

    def put(self, enc, pred, real, ctx):
        corr = ((real - pred + (1 << 31)) & M) - (1 << 31)
        k = (-corr if corr <= 0 else corr - 1).bit_length()
        enc.symbol(self.classes[ctx], k)
        if k == 0:
            enc.bit(self.zero_or_one, corr)
        elif k < 32:
            c = corr + (1 << k) - 1 if corr < 0 else corr - 1
            if k <= 8:
                enc.symbol(self.within[k], c)
            else:
                enc.symbol(self.within[k], c >> (k - 8))
                enc.raw(k - 8, c & ((1 << (k - 8)) - 1))

    def get(self, dec, pred, ctx):
        k = dec.symbol(self.classes[ctx])
        if k == 0:
            corr = dec.bit(self.zero_or_one)
        elif k >= 32:
            corr = -(1 << 31)
        else:
            c = dec.symbol(self.within[k])
            if k > 8:
                c = (c << (k - 8)) | dec.raw(k - 8)
            corr = c + 1 if c >= 1 << (k - 1) else c - ((1 << k) - 1)
        return ((pred + corr + (1 << 31)) & M) - (1 << 31)


def read_table(data, at, variable):
    count = struct.unpack_from('<I', data, at + 4)[0]
    dec, ints, points, size, out = Decoder(data[at + 8:]), Integers(), 0, 0, []
    for _ in range(count):
        if variable:
            points = ints.get(dec, points, 0)
        size = ints.get(dec, size, 1)
        out.append((points, size))
    return out


def write_table(chunks, variable):
    enc, ints, points, size = Encoder(), Integers(), 0, 0
    for p, s in chunks:
        if variable:
            ints.put(enc, points, p, 0)
            points = p
        ints.put(enc, size, s, 1)
        size = s
    return struct.pack('<II', 0, len(chunks)) + enc.done()


def vlrs(data):
    at, n = struct.unpack_from('<H', data, 94)[0], struct.unpack_from('<I', data, 100)[0]
    for _ in range(n):
        user, record, length = data[at + 2:at + 18].rstrip(b'\0'), *struct.unpack_from('<HH', data, at + 18)
        yield user, record, at + 54
        at += 54 + length


def tally(records, size, fmt, times):
    """Counts by return of the records, times `times`, and their raw extremes."""
    returns, lo, hi = [0] * 15, [1 << 31] * 3, [-(1 << 31)] * 3
    for i in range(0, len(records), size):
        xyz = struct.unpack_from('<3i', records, i)
        lo, hi = [min(a, b) for a, b in zip(lo, xyz)], [max(a, b) for a, b in zip(hi, xyz)]
        r = records[i + 14] & (0x0F if fmt >= 6 else 0x07)
        if r:
            returns[r - 1] += times
    return returns, lo, hi


def set_header(out, points, returns, box):
    """Writes the counts (legacy ones too where the point format has them) and the box."""
    minor, fmt = out[25], out[104] & 0x3F
    legacy = fmt < 6  # formats 6-10 leave the legacy fields zero
    struct.pack_into('<I', out, 107, points if legacy and points <= M else 0)
    struct.pack_into('<5I', out, 111, *(returns[:5] if legacy else [0] * 5))
    if minor >= 4:
        struct.pack_into('<Q', out, 247, points)
        struct.pack_into('<15Q', out, 255, *returns)
    struct.pack_into('<6d', out, 179, *box)


def real_box(data, lo, hi, to=None):
    """The box of raw extremes in `data`, stored as `to` (of another scale or offset) holds it."""
    scale, offset = struct.unpack_from('<3d', data, 131), struct.unpack_from('<3d', data, 155)
    r = [(lo[i] * scale[i] + offset[i], hi[i] * scale[i] + offset[i]) for i in range(3)]
    if to is not None:
        s, o = struct.unpack_from('<3d', to, 131), struct.unpack_from('<3d', to, 155)
        r = [tuple(round((v - o[i]) / s[i]) * s[i] + o[i] for v in r[i]) for i in range(3)]
    return [r[0][1], r[0][0], r[1][1], r[1][0], r[2][1], r[2][0]]


def move_evlrs(out, shift):
    if out[25] >= 4 and struct.unpack_from('<I', out, 243)[0]:
        struct.pack_into('<Q', out, 235, struct.unpack_from('<Q', out, 235)[0] + shift)


def main(laz_path, twin_path, want, laz_out, las_out):
    laz, twin, want = open(laz_path, 'rb').read(), open(twin_path, 'rb').read(), int(want)
    start = struct.unpack_from('<I', laz, 96)[0]
    laszip = next(at for user, record, at in vlrs(laz) if user == b'laszip encoded' and record == 22204)
    chunk_size = struct.unpack_from('<I', laz, laszip + 12)[0]
    variable = chunk_size == M
    table_at = struct.unpack_from('<q', laz, start)[0]
    table = read_table(laz, table_at, variable)
    total = struct.unpack_from('<Q', laz, 247)[0] if laz[25] >= 4 else 0
    total = total or struct.unpack_from('<I', laz, 107)[0]
    tsize, tstart = struct.unpack_from('<H', twin, 105)[0], struct.unpack_from('<I', twin, 96)[0]
    ttotal = (struct.unpack_from('<Q', twin, 247)[0] if twin[25] >= 4 else 0) or struct.unpack_from('<I', twin, 107)[0]
    if variable:
        unit, unit_points = table, sum(p for p, _ in table)
    else:
        unit_points = min(chunk_size, total)
        unit = [(unit_points, table[0][1])]
    times = -(-want // unit_points)
    body = laz[start + 8:start + 8 + sum(s for _, s in unit)]
    points = unit_points * times

    out = bytearray(laz[:start + 8])
    if not variable:
        struct.pack_into('<I', out, laszip + 12, unit_points)
    # Only the whole twin matches all of a file's chunks; otherwise its first records do.
    recs = twin[tstart:tstart + tsize * (ttotal if variable else unit_points)]
    if not variable:
        assert len(recs) == tsize * unit_points, 'the twin has fewer records than chunk 0'
    returns, lo, hi = tally(recs, tsize, twin[104] & 0x3F, times)
    set_header(out, points, returns, real_box(twin, lo, hi, laz))
    new_table_at = len(out) + len(body) * times
    struct.pack_into('<q', out, start, new_table_at)
    new_table = write_table(unit * times, variable)
    back = [(p if variable else unit_points, s) for p, s in read_table(new_table, 0, variable)]
    assert back == unit * times, 'the chunk table does not read back'
    # What follows the old table (EVLRs) follows the new one.
    evlr_at = struct.unpack_from('<Q', laz, 235)[0] if laz[25] >= 4 else 0
    after = laz[evlr_at:] if evlr_at > table_at else b''
    move_evlrs(out, new_table_at + len(new_table) - evlr_at if after else 0)
    for user, record, at in vlrs(out):
        if user == b'copc' and record == 1:  # the root hierarchy page moves with the EVLRs
            hier = struct.unpack_from('<Q', out, at + 40)[0]
            if hier > table_at:
                struct.pack_into('<Q', out, at + 40, hier + new_table_at + len(new_table) - evlr_at)
    with open(laz_out, 'wb') as f:
        f.write(out)
        for _ in range(times):
            f.write(body)
        f.write(new_table)
        f.write(after)

    lout = bytearray(twin[:tstart])
    set_header(lout, len(recs) // tsize * times, returns, real_box(twin, lo, hi))
    after = twin[tstart + tsize * ttotal:]
    move_evlrs(lout, len(recs) * times - tsize * ttotal)
    with open(las_out, 'wb') as f:
        f.write(lout)
        for _ in range(times):
            f.write(recs)
        f.write(after)
    print(f'{laz_out}: {points} points in {len(unit) * times} chunks; {las_out}: {len(recs) // tsize * times} records')


if __name__ == '__main__':
    if len(sys.argv) != 6:
        sys.exit(__doc__.strip().splitlines()[2])
    main(*sys.argv[1:])
