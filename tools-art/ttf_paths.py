"""Minimal TrueType outline reader (standard library only).

Turns text into SVG path data, so the pictures carry their lettering as
shapes and look the same whatever fonts the player's machine has.
"""
import struct


class Font:
    def __init__(self, path):
        with open(path, 'rb') as f:
            self.data = f.read()
        d = self.data
        num_tables = struct.unpack('>H', d[4:6])[0]
        self.tables = {}
        for i in range(num_tables):
            tag, _, off, length = struct.unpack('>4sIII', d[12 + 16 * i:28 + 16 * i])
            self.tables[tag.decode('latin-1')] = (off, length)
        head = self.tables['head'][0]
        self.upem = struct.unpack('>H', d[head + 18:head + 20])[0]
        self.loc_format = struct.unpack('>h', d[head + 50:head + 52])[0]
        maxp = self.tables['maxp'][0]
        self.num_glyphs = struct.unpack('>H', d[maxp + 4:maxp + 6])[0]
        hhea = self.tables['hhea'][0]
        self.num_hmetrics = struct.unpack('>H', d[hhea + 34:hhea + 36])[0]
        self._read_loca()
        self._read_cmap()
        self._read_kern()

    def _read_loca(self):
        d = self.data
        off = self.tables['loca'][0]
        n = self.num_glyphs + 1
        if self.loc_format == 0:
            self.loca = [2 * v for v in struct.unpack('>%dH' % n, d[off:off + 2 * n])]
        else:
            self.loca = list(struct.unpack('>%dI' % n, d[off:off + 4 * n]))

    def _read_cmap(self):
        d = self.data
        base = self.tables['cmap'][0]
        count = struct.unpack('>H', d[base + 2:base + 4])[0]
        self.cmap = {}
        for i in range(count):
            pid, eid, off = struct.unpack('>HHI', d[base + 4 + 8 * i:base + 12 + 8 * i])
            sub = base + off
            if struct.unpack('>H', d[sub:sub + 2])[0] != 4 or pid != 3:
                continue
            segx2 = struct.unpack('>H', d[sub + 6:sub + 8])[0]
            n = segx2 // 2
            ends = struct.unpack('>%dH' % n, d[sub + 14:sub + 14 + segx2])
            p = sub + 16 + segx2
            starts = struct.unpack('>%dH' % n, d[p:p + segx2])
            deltas = struct.unpack('>%dh' % n, d[p + segx2:p + 2 * segx2])
            ro_pos = p + 2 * segx2
            ranges = struct.unpack('>%dH' % n, d[ro_pos:ro_pos + segx2])
            for s in range(n):
                for c in range(starts[s], min(ends[s], 0x2FFF) + 1):
                    if ranges[s] == 0:
                        g = (c + deltas[s]) & 0xFFFF
                    else:
                        a = ro_pos + 2 * s + ranges[s] + 2 * (c - starts[s])
                        g = struct.unpack('>H', d[a:a + 2])[0]
                        if g:
                            g = (g + deltas[s]) & 0xFFFF
                    if g:
                        self.cmap[c] = g
            break

    def _read_kern(self):
        self.kern = {}
        if 'kern' not in self.tables:
            return
        d = self.data
        off = self.tables['kern'][0]
        n_sub = struct.unpack('>H', d[off + 2:off + 4])[0]
        p = off + 4
        for _ in range(n_sub):
            length, coverage = struct.unpack('>HH', d[p + 2:p + 6])
            if coverage >> 8 == 0:
                npairs = struct.unpack('>H', d[p + 6:p + 8])[0]
                for i in range(npairs):
                    l, r, v = struct.unpack('>HHh', d[p + 14 + 6 * i:p + 20 + 6 * i])
                    self.kern[(l, r)] = v
            p += length

    def advance(self, g):
        d = self.data
        off = self.tables['hmtx'][0]
        i = min(g, self.num_hmetrics - 1)
        return struct.unpack('>H', d[off + 4 * i:off + 4 * i + 2])[0]

    def contours(self, g):
        """Contours of glyph g: lists of (x, y, on_curve) in font units."""
        d = self.data
        start = self.tables['glyf'][0] + self.loca[g]
        if self.loca[g + 1] == self.loca[g]:
            return []
        nc = struct.unpack('>h', d[start:start + 2])[0]
        p = start + 10
        if nc < 0:
            return self._composite(p)
        ends = struct.unpack('>%dH' % nc, d[p:p + 2 * nc])
        p += 2 * nc
        ilen = struct.unpack('>H', d[p:p + 2])[0]
        p += 2 + ilen
        npts = ends[-1] + 1
        flags = []
        while len(flags) < npts:
            f = d[p]
            p += 1
            flags.append(f)
            if f & 8:
                r = d[p]
                p += 1
                flags.extend([f] * r)
        xs, ys = [], []
        for coords, short_bit, same_bit in ((xs, 2, 16), (ys, 4, 32)):
            v = 0
            for f in flags:
                if f & short_bit:
                    dv = d[p]
                    p += 1
                    v += dv if f & same_bit else -dv
                elif not f & same_bit:
                    v += struct.unpack('>h', d[p:p + 2])[0]
                    p += 2
                coords.append(v)
        out, s = [], 0
        for e in ends:
            out.append([(xs[i], ys[i], bool(flags[i] & 1)) for i in range(s, e + 1)])
            s = e + 1
        return out

    def _composite(self, p):
        d = self.data
        out = []
        while True:
            flags, gi = struct.unpack('>HH', d[p:p + 4])
            p += 4
            if flags & 1:
                dx, dy = struct.unpack('>hh', d[p:p + 4])
                p += 4
            else:
                dx, dy = struct.unpack('>bb', d[p:p + 2])
                p += 2
            a, b, c, e = 1.0, 0.0, 0.0, 1.0
            if flags & 8:
                a = e = struct.unpack('>h', d[p:p + 2])[0] / 16384.0
                p += 2
            elif flags & 0x40:
                a, e = [v / 16384.0 for v in struct.unpack('>hh', d[p:p + 4])]
                p += 4
            elif flags & 0x80:
                a, b, c, e = [v / 16384.0 for v in struct.unpack('>hhhh', d[p:p + 8])]
                p += 8
            for cont in self.contours(gi):
                out.append([(a * x + c * y + dx, b * x + e * y + dy, on) for x, y, on in cont])
            if not flags & 0x20:
                break
        return out


def _fmt(v):
    s = '%.1f' % v
    s = s.rstrip('0').rstrip('.')
    return '0' if s in ('-0', '') else s


def contour_path(cont, tx):
    """SVG path data of one quadratic contour; tx maps font units to SVG."""
    pts = list(cont)
    n = len(pts)
    if n == 0:
        return ''
    # start on an on-curve point (or a midpoint between two off-curve ones)
    k = next((i for i, p in enumerate(pts) if p[2]), None)
    if k is None:
        a, b = pts[0], pts[1]
        pts.insert(0, ((a[0] + b[0]) / 2, (a[1] + b[1]) / 2, True))
        k = 0
        n += 1
    pts = pts[k:] + pts[:k]
    x0, y0 = tx(pts[0][0], pts[0][1])
    parts = ['M%s %s' % (_fmt(x0), _fmt(y0))]
    i = 1
    pts.append(pts[0])
    while i < len(pts):
        x, y, on = pts[i]
        if on:
            px, py = tx(x, y)
            parts.append('L%s %s' % (_fmt(px), _fmt(py)))
            i += 1
        else:
            nx, ny, non = pts[i + 1]
            if non:
                ex, ey = nx, ny
                i += 2
            else:
                ex, ey = (x + nx) / 2, (y + ny) / 2
                i += 1
            cx, cy = tx(x, y)
            ex2, ey2 = tx(ex, ey)
            parts.append('Q%s %s %s %s' % (_fmt(cx), _fmt(cy), _fmt(ex2), _fmt(ey2)))
    parts.append('Z')
    return ''.join(parts)


class Text:
    """Lays out a line of text; gives path data and its ink box."""

    def __init__(self, font, text, size, spacing=0.0):
        self.font = font
        self.size = size
        self.scale = size / font.upem
        self.glyphs = []  # (glyph id, pen x in font units)
        pen = 0
        prev = None
        for ch in text:
            g = font.cmap.get(ord(ch), 0)
            if prev is not None:
                pen += font.kern.get((prev, g), 0)
            self.glyphs.append((g, pen, ch))
            pen += font.advance(g) + spacing * font.upem / size
            prev = g
        self.advance_units = pen
        xs, ys = [], []
        for g, px, _ in self.glyphs:
            for c in font.contours(g):
                for x, y, _on in c:
                    xs.append(x + px)
                    ys.append(y)
        if xs:
            self.ink = (min(xs) * self.scale, -max(ys) * self.scale,
                        max(xs) * self.scale, -min(ys) * self.scale)
        else:
            self.ink = (0, 0, 0, 0)

    @property
    def width(self):
        return self.advance_units * self.scale

    def glyph_paths(self, x, y):
        """[(char, path data, pen x)] with the baseline origin at (x, y)."""
        out = []
        for g, px, ch in self.glyphs:
            def tx(fx, fy, px=px):
                return x + (fx + px) * self.scale, y - fy * self.scale
            d = ''.join(contour_path(c, tx) for c in self.font.contours(g))
            out.append((ch, d, x + px * self.scale))
        return out

    def path(self, x, y):
        return ''.join(d for _, d, _ in self.glyph_paths(x, y))

    def centred_at(self, cx, cy):
        """Baseline origin that puts the ink box centre at (cx, cy)."""
        x0, y0, x1, y1 = self.ink
        return cx - (x0 + x1) / 2, cy - (y0 + y1) / 2
