#!/usr/bin/env python3
"""Writes every picture of the game as SVG under pictures/.

Run from anywhere: python3 tools-art/make_pictures.py
Lettering is turned into paths from Liberation Sans Bold (fonts-liberation),
so the files do not depend on the fonts of the player's machine.
"""
import math
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ttf_paths import Font, Text  # noqa: E402

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'pictures'))
FONT_PATHS = ['/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf',
              '/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf']
FONT = None

# One palette for everything.
NAVY = '#14205c'
NAVY_DARK = '#0a1138'
GOLD = '#ffd23f'
GOLD_DARK = '#c98a00'
INK_BLUE = '#0000c0'
GOBLIN = '#5fc43a'
GOBLIN_DARK = '#2f7a1c'
GOBLIN_LIGHT = '#9be870'

TILE_STYLES = {
    # edge light, edge mid, edge dark, face top, face bottom, outline, glyph shadow
    'blue': ('#7095f4', '#2c4fc0', '#0b1b5e', '#3158d0', '#1b3492', '#06103a', '#020a30'),
    'blue2': ('#e2f2ff', '#6cb2fa', '#2a6ccc', '#8ccaff', '#56a0f2', '#163f86', '#0b2f70'),
    'red': ('#ff8f7c', '#c42a24', '#560606', '#d8362e', '#961818', '#300404', '#2a0000'),
}
TILE_KEYS = ['zero', 'one', 'two', 'three', 'four', 'five', 'six', 'seven', 'eight', 'nine',
             'plus', 'minus', 'mult', 'div', 'equal']


def font():
    global FONT
    if FONT is None:
        for p in FONT_PATHS:
            if os.path.exists(p):
                FONT = Font(p)
                break
        else:
            sys.exit('Liberation Sans Bold not found (install fonts-liberation)')
    return FONT


def f(v):
    s = ('%.2f' % v).rstrip('0').rstrip('.')
    return '0' if s in ('-0', '') else s


def svg(w, h, body, defs=''):
    d = '<defs>%s</defs>' % defs if defs else ''
    return ('<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" '
            'version="1.1" width="%d" height="%d" '
            'viewBox="0 0 %d %d">%s%s</svg>\n' % (w, h, w, h, d, body))


def lin(id_, x1, y1, x2, y2, stops):
    s = ''.join('<stop offset="%s" stop-color="%s"%s/>' % (
        f(o), c, '' if len(st) < 3 else ' stop-opacity="%s"' % f(st[2]))
        for st in stops for o, c in [st[:2]])
    return ('<linearGradient id="%s" x1="%s" y1="%s" x2="%s" y2="%s">%s</linearGradient>'
            % (id_, f(x1), f(y1), f(x2), f(y2), s))


def rad(id_, cx, cy, r, stops, fx=None, fy=None):
    s = ''.join('<stop offset="%s" stop-color="%s"%s/>' % (
        f(o), c, '' if len(st) < 3 else ' stop-opacity="%s"' % f(st[2]))
        for st in stops for o, c in [st[:2]])
    foc = '' if fx is None else ' fx="%s" fy="%s"' % (f(fx), f(fy))
    return ('<radialGradient id="%s" cx="%s" cy="%s" r="%s"%s>%s</radialGradient>'
            % (id_, f(cx), f(cy), f(r), foc, s))


def text_path(s, size, cx=None, cy=None, x=None, y=None, spacing=0.0):
    """Path data of s: centred on (cx, cy) by ink, or with baseline origin (x, y)."""
    t = Text(font(), s, size, spacing)
    if cx is not None:
        x, y = t.centred_at(cx, cy)
    return t.path(x, y), t


def write(rel, content):
    path = os.path.join(ROOT, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'w') as fh:
        fh.write(content)


def star_points(cx, cy, r_out, r_in, n=5, rot=-90.0):
    pts = []
    for i in range(2 * n):
        r = r_out if i % 2 == 0 else r_in
        a = math.radians(rot + i * 180.0 / n)
        pts.append('%s,%s' % (f(cx + r * math.cos(a)), f(cy + r * math.sin(a))))
    return ' '.join(pts)


# ---------------------------------------------------------------- tiles

def glyph_shapes(key, s):
    """Operator glyph as shapes in a 40-unit box centred on (20, 20); s = fill attrs."""
    bar = 5.2
    half = 11.5
    if key == 'plus':
        return ('<rect x="%s" y="%s" width="%s" height="%s" rx="1.4" %s/>'
                '<rect x="%s" y="%s" width="%s" height="%s" rx="1.4" %s/>'
                % (f(20 - half), f(20 - bar / 2), f(2 * half), f(bar), s,
                   f(20 - bar / 2), f(20 - half), f(bar), f(2 * half), s))
    if key == 'minus':
        return ('<rect x="%s" y="%s" width="%s" height="%s" rx="1.4" %s/>'
                % (f(20 - half), f(20 - bar / 2), f(2 * half), f(bar), s))
    if key == 'mult':
        h = 12.5
        return ('<g transform="rotate(45 20 20)">'
                '<rect x="%s" y="%s" width="%s" height="%s" rx="1.4" %s/>'
                '<rect x="%s" y="%s" width="%s" height="%s" rx="1.4" %s/></g>'
                % (f(20 - h), f(20 - bar / 2), f(2 * h), f(bar), s,
                   f(20 - bar / 2), f(20 - h), f(bar), f(2 * h), s))
    if key == 'div':
        return ('<rect x="%s" y="%s" width="%s" height="%s" rx="1.4" %s/>'
                '<circle cx="20" cy="11.2" r="3.3" %s/><circle cx="20" cy="28.8" r="3.3" %s/>'
                % (f(20 - half), f(20 - bar / 2), f(2 * half), f(bar), s, s, s))
    if key == 'equal':
        return ('<rect x="%s" y="%s" width="%s" height="%s" rx="1.4" %s/>'
                '<rect x="%s" y="%s" width="%s" height="%s" rx="1.4" %s/>'
                % (f(20 - half), f(20 - 5.2 - bar / 2), f(2 * half), f(bar), s,
                   f(20 - half), f(20 + 5.2 - bar / 2), f(2 * half), f(bar), s))
    raise KeyError(key)


DIGITS = {k: str(i) for i, k in enumerate(TILE_KEYS[:10])}


def tile_body(style, key, uid=''):
    """Tile drawn in a 40-unit box; key may also be 'question'."""
    el, em, ed, ft, fb, ol, sh = TILE_STYLES[style]
    defs = (lin('e' + uid, 0, 0, 1, 1, [(0, el), (0.45, em), (1, ed)]) +
            lin('f' + uid, 0, 0, 0, 1, [(0, ft), (1, fb)]) +
            lin('g' + uid, 0, 0, 0, 1, [(0, '#ffffff', 0.38), (1, '#ffffff', 0)]))
    body = ('<rect x="0.5" y="0.5" width="39" height="39" rx="7" fill="url(#e%s)" stroke="%s"/>'
            '<rect x="4" y="4" width="32" height="32" rx="4.5" fill="url(#f%s)"/>'
            '<path d="M4 15.5V8.5Q4 4 8.5 4H31.5Q36 4 36 8.5V15.5Q20 12 4 15.5Z" fill="url(#g%s)"/>'
            % (uid, ol, uid, uid))
    if key in DIGITS or key == 'question':
        ch = DIGITS.get(key, '?')
        d, _ = text_path(ch, 33, cx=20, cy=20)
        glyph = lambda attrs: '<path d="%s" %s/>' % (d, attrs)  # noqa: E731
    else:
        glyph = lambda attrs: glyph_shapes(key, attrs)  # noqa: E731
    body += '<g transform="translate(1.1 1.4)">%s</g>' % glyph('fill="%s" fill-opacity="0.55"' % sh)
    body += glyph('fill="#ffffff"')
    return defs, body


def make_tiles():
    for style in TILE_STYLES:
        for key in TILE_KEYS:
            defs, body = tile_body(style, key)
            write('%s/%s.svg' % (style, key), svg(40, 40, body, defs))


# ---------------------------------------------------------------- goblin list (on black)

SKIN_DEFS = lambda uid: rad('sk' + uid, 0.38, 0.3, 0.75, [(0, GOBLIN_LIGHT), (0.55, GOBLIN), (1, GOBLIN_DARK)])  # noqa: E731
OUTLINE = '#123a08'


def goblin_head(cx, cy, eyes, mouth, uid, tilt=0.0, ear_lift=0.0):
    """Head with pointed ears, centred on (cx, cy)."""
    skin = 'fill="url(#sk%s)" stroke="%s" stroke-width="0.9" stroke-linejoin="round"' % (uid, OUTLINE)
    el = ear_lift
    ears = ('<path d="M%s %s Q%s %s %s %s Q%s %s %s %s Z" %s/>' % (
        f(cx - 8), f(cy - 3), f(cx - 13), f(cy - 5 - el), f(cx - 18), f(cy - 8 - el),
        f(cx - 15), f(cy + 1), f(cx - 7.5), f(cy + 3), skin) +
        '<path d="M%s %s Q%s %s %s %s Q%s %s %s %s Z" %s/>' % (
        f(cx + 8), f(cy - 3), f(cx + 13), f(cy - 5 - el), f(cx + 18), f(cy - 8 - el),
        f(cx + 15), f(cy + 1), f(cx + 7.5), f(cy + 3), skin) +
        '<path d="M%s %s Q%s %s %s %s" fill="none" stroke="%s" stroke-width="0.8" opacity="0.6"/>' % (
        f(cx - 9), f(cy - 1), f(cx - 13), f(cy - 3 - el * 0.6), f(cx - 15.5), f(cy - 5.5 - el), GOBLIN_DARK) +
        '<path d="M%s %s Q%s %s %s %s" fill="none" stroke="%s" stroke-width="0.8" opacity="0.6"/>' % (
        f(cx + 9), f(cy - 1), f(cx + 13), f(cy - 3 - el * 0.6), f(cx + 15.5), f(cy - 5.5 - el), GOBLIN_DARK))
    head = '<ellipse cx="%s" cy="%s" rx="9.6" ry="8.4" %s/>' % (f(cx), f(cy), skin)
    nose = '<ellipse cx="%s" cy="%s" rx="1.9" ry="1.4" fill="%s"/>' % (f(cx), f(cy + 1.3), GOBLIN_DARK)
    face = eyes(cx, cy) + nose + mouth(cx, cy)
    g = ears + head + face
    if tilt:
        g = '<g transform="rotate(%s %s %s)">%s</g>' % (f(tilt), f(cx), f(cy), g)
    return g


def eyes_open(dx=0.0, dy=0.0):
    def draw(cx, cy):
        out = ''
        for ex in (cx - 4, cx + 4):
            out += ('<ellipse cx="%s" cy="%s" rx="2.9" ry="3.2" fill="#ffe75a" stroke="%s" stroke-width="0.6"/>'
                    '<ellipse cx="%s" cy="%s" rx="1.3" ry="1.9" fill="#000"/>' % (
                        f(ex), f(cy - 2.5), OUTLINE, f(ex + dx), f(cy - 2.3 + dy)))
        # brows
        out += ('<path d="M%s %sL%s %sM%s %sL%s %s" stroke="%s" stroke-width="1.3" stroke-linecap="round"/>' % (
            f(cx - 7), f(cy - 6.8), f(cx - 2), f(cy - 5.6), f(cx + 7), f(cy - 6.8), f(cx + 2), f(cy - 5.6), OUTLINE))
        return out
    return draw


def eyes_squeezed(cx, cy):
    return ('<path d="M%s %sL%s %sL%s %sM%s %sL%s %sL%s %s" fill="none" stroke="#000" stroke-width="1.5" '
            'stroke-linecap="round" stroke-linejoin="round"/>' % (
                f(cx - 7), f(cy - 4.5), f(cx - 3), f(cy - 2.5), f(cx - 7), f(cy - 0.8),
                f(cx + 7), f(cy - 4.5), f(cx + 3), f(cy - 2.5), f(cx + 7), f(cy - 0.8)))


def eyes_x(cx, cy):
    out = ''
    for ex in (cx - 4, cx + 4):
        out += ('<path d="M%s %sL%s %sM%s %sL%s %s" stroke="#000" stroke-width="1.6" stroke-linecap="round"/>' % (
            f(ex - 2), f(cy - 4.5), f(ex + 2), f(cy - 0.5), f(ex + 2), f(cy - 4.5), f(ex - 2), f(cy - 0.5)))
    return out


def mouth_grin(cx, cy):
    return ('<path d="M%s %sQ%s %s %s %sQ%s %s %s %sZ" fill="#3a0808" stroke="%s" stroke-width="0.6"/>'
            '<path d="M%s %sL%s %sL%s %sZM%s %sL%s %sL%s %sZ" fill="#fff"/>' % (
                f(cx - 6), f(cy + 3), f(cx), f(cy + 5), f(cx + 6), f(cy + 3),
                f(cx), f(cy + 11), f(cx - 6), f(cy + 3), OUTLINE,
                f(cx - 4.2), f(cy + 3.8), f(cx - 2.4), f(cy + 4.3), f(cx - 3.3), f(cy + 6.2),
                f(cx + 4.2), f(cy + 3.8), f(cx + 2.4), f(cy + 4.3), f(cx + 3.3), f(cy + 6.2)))


def mouth_gritted(cx, cy):
    return ('<rect x="%s" y="%s" width="10" height="4" rx="1.5" fill="#fff" stroke="%s" stroke-width="0.8"/>'
            '<path d="M%s %sV%sM%s %sV%sM%s %sV%sM%s %sH%s" stroke="#555" stroke-width="0.6"/>' % (
                f(cx - 5), f(cy + 3.4), OUTLINE,
                f(cx - 2.5), f(cy + 3.6), f(cy + 7.2), f(cx), f(cy + 3.6), f(cy + 7.2),
                f(cx + 2.5), f(cy + 3.6), f(cy + 7.2), f(cx - 4.8), f(cy + 5.4), f(cx + 4.8)))


def mouth_tongue(cx, cy):
    return ('<path d="M%s %sQ%s %s %s %sQ%s %s %s %sZ" fill="#3a0808" stroke="%s" stroke-width="0.6"/>'
            '<path d="M%s %sQ%s %s %s %sQ%s %s %s %sZ" fill="#ff6f9a" stroke="#a02050" stroke-width="0.5"/>' % (
                f(cx - 5), f(cy + 4), f(cx), f(cy + 2.5), f(cx + 5), f(cy + 4),
                f(cx), f(cy + 8.5), f(cx - 5), f(cy + 4), OUTLINE,
                f(cx + 0.5), f(cy + 5), f(cx + 1), f(cy + 12.5), f(cx + 4.5), f(cy + 10.5),
                f(cx + 5), f(cy + 6), f(cx + 3.8), f(cy + 4.8)))


def goblin_body(cx, top, bottom, arms, legs_apart=0.0, uid='', palms=False):
    """Tunic, arms (list of point paths) and feet."""
    skin = 'stroke="%s" stroke-width="3.6" stroke-linecap="round" stroke-linejoin="round" fill="none"' % GOBLIN_DARK
    skin_in = 'stroke="%s" stroke-width="2.1" stroke-linecap="round" stroke-linejoin="round" fill="none"' % GOBLIN
    out = ''
    la = legs_apart
    for fx in (cx - 5 - la, cx + 5 + la):
        out += '<ellipse cx="%s" cy="%s" rx="4.2" ry="2.1" fill="%s" stroke="%s" stroke-width="0.7"/>' % (
            f(fx), f(bottom + 1.5), GOBLIN_DARK, OUTLINE)
    out += ('<path d="M%s %sQ%s %s %s %sL%s %sQ%s %s %s %sL%s %sZ" fill="url(#tu%s)" stroke="#2e1804" '
            'stroke-width="0.8" stroke-linejoin="round"/>' % (
                f(cx - 5), f(top), f(cx - 8), f(top + 1), f(cx - 9.5), f(bottom),
                f(cx + 9.5), f(bottom), f(cx + 8), f(top + 1), f(cx + 5), f(top),
                f(cx), f(top - 0.5), uid))
    out += '<rect x="%s" y="%s" width="17" height="2" fill="#3a2006"/>' % (f(cx - 8.5), f((top + bottom) / 2 + 0.5))
    out += '<rect x="%s" y="%s" width="3" height="2.6" fill="%s"/>' % (f(cx - 1.5), f((top + bottom) / 2 + 0.2), GOLD)
    for pts in arms:
        d = 'M' + 'L'.join('%s %s' % (f(x), f(y)) for x, y in pts)
        out += '<path d="%s" %s/><path d="%s" %s/>' % (d, skin, d, skin_in)
        hx, hy = pts[-1]
        if palms:  # flat open hands pushing up
            out += '<ellipse cx="%s" cy="%s" rx="3.4" ry="2.1" fill="%s" stroke="%s" stroke-width="0.7"/>' % (
                f(hx), f(hy), GOBLIN, OUTLINE)
        else:
            out += '<circle cx="%s" cy="%s" r="2.4" fill="%s" stroke="%s" stroke-width="0.7"/>' % (
                f(hx), f(hy), GOBLIN, OUTLINE)
    return out


def goblin_defs(uid=''):
    return (SKIN_DEFS(uid) +
            lin('tu' + uid, 0, 0, 0, 1, [(0, '#a8692e'), (1, '#6b3c12')]))


def black(body):
    return '<rect width="40" height="40" fill="#000"/>' + body


def make_goblins():
    # holding up the block above: arms raised to the top edge
    for name, bob, hand_y, legs, eyes, mouth in (
            ('goblin1', 0.0, 2.9, 0.0, eyes_squeezed, mouth_gritted),
            ('goblin2', 1.2, 3.6, 1.3, eyes_open(0, 0.4), mouth_gritted)):
        cx, cy = 20, 19.5 + bob
        arms = [[(14, 28 + bob), (6.5, 23 + bob), (7.5 - bob * 0.4, hand_y)],
                [(26, 28 + bob), (33.5, 23 + bob), (32.5 + bob * 0.4, hand_y)]]
        body = goblin_body(cx, 27 + bob, 35.5, arms, legs, palms=True) + goblin_head(cx, cy, eyes, mouth, '', ear_lift=-3)
        write('goblin/%s.svg' % name, svg(40, 40, black(body), goblin_defs()))
    # nothing on it: relaxed, grinning; the second frame waves
    for name, arms, eyes, lift in (
            ('goblin3', [[(14, 27), (10, 31), (9, 34)], [(26, 27), (30, 31), (31, 34)]], eyes_open(-0.6, 0), 0),
            ('goblin4', [[(14, 27), (10, 31), (9, 34)], [(26, 27), (33, 25), (34, 18)]], eyes_open(0.7, 0), 1.2)):
        cx, cy = 20, 16.5
        body = goblin_body(cx, 26, 35.5, arms) + goblin_head(cx, cy, eyes, mouth_grin, '', ear_lift=lift)
        write('goblin/%s.svg' % name, svg(40, 40, black(body), goblin_defs()))
    # beaten: dazed, X eyes, tongue out, stars circling
    cx, cy = 20, 19
    arms = [[(14, 28), (9, 33), (7, 36)], [(26, 28), (31, 33), (33, 36)]]
    stars = ''
    for sx, sy, r in ((9, 5.2, 3.0), (21, 2.8, 2.6), (32, 5.6, 3.0)):
        stars += '<polygon points="%s" fill="%s" stroke="%s" stroke-width="0.5"/>' % (
            star_points(sx, sy, r, r * 0.45), GOLD, GOLD_DARK)
    ring = ('<ellipse cx="20.5" cy="5" rx="13" ry="3.2" fill="none" stroke="#ffffff" stroke-width="0.7" '
            'stroke-opacity="0.55" stroke-dasharray="2 1.6"/>')
    body = (goblin_body(cx, 28, 35.5, arms, 1.5) +
            goblin_head(cx, cy + 1, eyes_x, mouth_tongue, '', tilt=-12, ear_lift=-3) + ring + stars)
    write('goblin/goblin5.svg', svg(40, 40, black(body), goblin_defs()))


def sparkle(cx, cy, r, color='#ffffff', opacity=1.0):
    """Four-pointed glint."""
    k = r * 0.22
    return ('<path d="M%s %sQ%s %s %s %sQ%s %s %s %sQ%s %s %s %sQ%s %s %s %sZ" fill="%s" fill-opacity="%s"/>' % (
        f(cx), f(cy - r), f(cx + k), f(cy - k), f(cx + r), f(cy), f(cx + k), f(cy + k), f(cx), f(cy + r),
        f(cx - k), f(cy + k), f(cx - r), f(cy), f(cx - k), f(cy - k), f(cx), f(cy - r), color, f(opacity)))


def star_shape(cx, cy, r, rot, uid):
    defs = (rad('sg' + uid, 0.45, 0.38, 0.62, [(0, '#fffbd0'), (0.45, '#ffe23a'), (1, '#f29a00')]) +
            rad('sh' + uid, 0.5, 0.5, 0.5, [(0, '#fff27a', 0.55), (1, '#fff27a', 0)]))
    body = ('<polygon points="%s" fill="url(#sg%s)" stroke="#a85a00" stroke-width="1.1" stroke-linejoin="round"/>'
            % (star_points(cx, cy, r, r * 0.46, rot=-90 + rot), uid))
    body += '<polygon points="%s" fill="#ffffff" fill-opacity="0.35"/>' % star_points(
        cx - r * 0.12, cy - r * 0.14, r * 0.45, r * 0.2, rot=-90 + rot)
    return defs, body


def make_stars():
    defs, body = star_shape(20, 21, 16.5, 0, '')
    body = body + sparkle(6, 6, 4.2) + sparkle(34.5, 34, 3.2) + sparkle(35, 6.5, 1.8, opacity=0.7)
    write('goblin/star.svg', svg(40, 40, black(body), defs))
    defs, body = star_shape(20, 20.6, 14, 8, '')
    glow = '<circle cx="20" cy="20.5" r="19" fill="url(#sh)"/>'
    body = glow + body + sparkle(34, 7, 4.6) + sparkle(6, 33, 3.4) + sparkle(5.5, 8, 1.6, opacity=0.7)
    write('goblin/star2.svg', svg(40, 40, black(body), defs))


def spark(cx, cy, r, rot):
    out = '<circle cx="%s" cy="%s" r="%s" fill="#ff8a00" fill-opacity="0.45"/>' % (f(cx), f(cy), f(r * 0.85))
    out += '<polygon points="%s" fill="#ffb000"/>' % star_points(cx, cy, r, r * 0.38, n=8, rot=rot)
    out += '<polygon points="%s" fill="#fff6a0"/>' % star_points(cx, cy, r * 0.55, r * 0.25, n=6, rot=rot + 15)
    return out


def make_bombs():
    defs = (rad('bb', 0.36, 0.32, 0.7, [(0, '#ff6650'), (0.22, '#b0101a'), (0.55, '#340206'), (1, '#000000')]) +
            lin('cap', 0, 0, 1, 0, [(0, '#9aa0a8'), (0.5, '#4a4e55'), (1, '#1c1e22')]))
    base = ('<circle cx="18.5" cy="24.5" r="12.8" fill="url(#bb)" stroke="#8a2020" stroke-width="0.9"/>'
            '<path d="M28.5 28.5Q26 35 18.5 35.8" fill="none" stroke="#ff7060" stroke-opacity="0.35" stroke-width="1.3" stroke-linecap="round"/>'
            '<ellipse cx="14" cy="19" rx="4.2" ry="2.6" transform="rotate(-35 14 19)" fill="#ffffff" fill-opacity="0.45"/>'
            '<circle cx="11.6" cy="22.6" r="1.1" fill="#ffffff" fill-opacity="0.35"/>'
            '<rect x="23.5" y="9" width="7.5" height="6" rx="1" transform="rotate(40 27.25 12)" fill="url(#cap)" '
            'stroke="#000" stroke-width="0.6"/>')
    for name, fuse, sx, sy, r, rot, embers in (
            ('bomb1', 'M29.5 9.5Q31 4.5 34.5 5', 34.5, 5, 4.6, 0, ((31.5, 9.5), (37.5, 9))),
            ('bomb2', 'M29.5 9.5Q30.5 6.5 33 6.3', 33, 6.3, 6.0, 22, ((37.5, 2.5), (28.5, 2), (37, 10.5)))):
        body = base + '<path d="%s" fill="none" stroke="#d8c090" stroke-width="1.6" stroke-linecap="round"/>' % fuse
        body += spark(sx, sy, r, rot)
        for ex, ey in embers:
            body += '<circle cx="%s" cy="%s" r="0.9" fill="#ffd040"/>' % (f(ex), f(ey))
        write('goblin/%s.svg' % name, svg(40, 40, black(body), defs))


# ---------------------------------------------------------------- lettering helpers

def lin_user(id_, x1, y1, x2, y2, stops):
    return lin(id_, x1, y1, x2, y2, stops).replace('<linearGradient ', '<linearGradient gradientUnits="userSpaceOnUse" ', 1)


def title_art(cx, baseline, size, uid='t', bounce=True, text='Quorbit!'):
    """The game's name: gold letters with a navy rim, tumbling a little like falling tiles."""
    t = Text(font(), text, size, spacing=size * 0.02)
    x0 = cx - (t.ink[0] + t.ink[2]) / 2
    cap = size * 0.73
    defs = lin_user('tg' + uid, 0, baseline - cap, 0, baseline, [
        (0, '#fff7c2'), (0.45, GOLD), (0.55, '#ffbf1a'), (1, '#f08c00')])
    glyphs = t.glyph_paths(x0, baseline)
    rim = size * 0.16
    letters = ''
    for i, (ch, d, px) in enumerate(glyphs):
        if not d:
            continue
        adv = font().advance(font().cmap.get(ord(ch), 0)) * t.scale
        gx = px + adv / 2
        if bounce:
            rot = (-5, 4, -3, 5, -4, 3, -5, 6)[i % 8]
            dy = (0, -2, 1, -1, 2, -2, 0, -1)[i % 8] * size / 40
        else:
            rot, dy = 0, 0
        tr = 'translate(0 %s) rotate(%s %s %s)' % (f(dy), f(rot), f(gx), f(baseline - cap / 2))
        letters += '<path d="%s" transform="%s"/>' % (d, tr)
    defs += '<g id="tl%s">%s</g>' % (uid, letters)
    ref = 'xlink:href="#tl%s"' % uid
    body = ('<use %s transform="translate(%s %s)" fill="#000" fill-opacity="0.35" stroke="#000" stroke-opacity="0.35" '
            'stroke-width="%s" stroke-linejoin="round"/>' % (ref, f(size * 0.04), f(size * 0.07), f(rim)))
    body += ('<use %s fill="%s" stroke="%s" stroke-width="%s" stroke-linejoin="round"/>'
             % (ref, NAVY, NAVY, f(rim)))
    body += ('<use %s fill="url(#tg%s)" stroke="#fff6c8" stroke-width="%s" stroke-opacity="0.8"/>'
             % (ref, uid, f(size * 0.012)))
    return defs, body


def plain_text(s, size, cx, baseline, fill, extra=''):
    t = Text(font(), s, size)
    x0 = cx - t.width / 2
    return '<path d="%s" fill="%s"%s/>' % (t.path(x0, baseline), fill, extra)


# ---------------------------------------------------------------- side-bar buttons

BUTTONS = [('new', 'New Game'), ('pause', 'Pause'), ('audio', 'Audio'),
           ('instruct', 'Instructions'), ('high', 'High Scores'), ('exit', 'Exit')]


def button_icon(key, cx, cy, fill):
    a = 'fill="%s"' % fill
    if key == 'new':
        return '<polygon points="%s" %s/>' % (star_points(cx, cy + 0.6, 9, 4), a)
    if key == 'pause':
        return ('<rect x="%s" y="%s" width="4.6" height="15" rx="1.2" %s/>'
                '<rect x="%s" y="%s" width="4.6" height="15" rx="1.2" %s/>' % (
                    f(cx - 6.3), f(cy - 7.5), a, f(cx + 1.7), f(cy - 7.5), a))
    if key == 'audio':
        return ('<ellipse cx="%s" cy="%s" rx="3.6" ry="2.8" transform="rotate(-20 %s %s)" %s/>'
                '<ellipse cx="%s" cy="%s" rx="3.6" ry="2.8" transform="rotate(-20 %s %s)" %s/>'
                '<path d="M%s %sV%sL%s %sV%sH%sV%sL%s %sV%sZ" %s/>' % (
                    f(cx - 4.5), f(cy + 5), f(cx - 4.5), f(cy + 5), a,
                    f(cx + 5.5), f(cy + 3), f(cx + 5.5), f(cy + 3), a,
                    f(cx - 2.6), f(cy + 5), f(cy - 6), f(cx + 8.8), f(cy - 9.5), f(cy + 3),
                    f(cx + 7.2), f(cy - 5.6), f(cx - 1), f(cy - 2.6), f(cy + 5), a))
    if key == 'instruct':
        d, _ = text_path('?', 20, cx=cx, cy=cy)
        return ('<circle cx="%s" cy="%s" r="9" fill="none" stroke="%s" stroke-width="2"/>'
                '<path d="%s" transform="translate(%s %s) scale(0.62) translate(%s %s)" %s/>' % (
                    f(cx), f(cy), fill, d, f(cx), f(cy), f(-cx), f(-cy), a))
    if key == 'high':
        return ('<path d="M%s %sH%sV%sQ%s %s %s %sQ%s %s %s %sZ" %s/>'
                '<path d="M%s %sQ%s %s %s %sM%s %sQ%s %s %s %s" fill="none" stroke="%s" stroke-width="1.8"/>'
                '<rect x="%s" y="%s" width="3" height="4" %s/><rect x="%s" y="%s" width="10" height="2.6" rx="0.8" %s/>' % (
                    f(cx - 6), f(cy - 8), f(cx + 6), f(cy - 3), f(cx + 6), f(cy + 3), f(cx), f(cy + 3),
                    f(cx - 6), f(cy + 3), f(cx - 6), f(cy - 3), a,
                    f(cx - 6), f(cy - 6), f(cx - 11), f(cy - 6), f(cx - 5.5), f(cy), f(cx + 6), f(cy - 6), f(cx + 11),
                    f(cy - 6), f(cx + 5.5), f(cy), fill,
                    f(cx - 1.5), f(cy + 2.8), a, f(cx - 5), f(cy + 6.4), a))
    if key == 'exit':
        return ('<path d="M%s %sH%sV%s" fill="none" stroke="%s" stroke-width="2.2" stroke-linejoin="round"/>'
                '<path d="M%s %sH%sV%s" fill="none" stroke="%s" stroke-width="2.2" stroke-linejoin="round"/>'
                '<path d="M%s %sH%sV%sL%s %sL%s %sV%sH%sZ" %s/>' % (
                    f(cx - 1), f(cy - 8.5), f(cx - 8), f(cy + 8.5), fill,
                    f(cx - 8), f(cy + 8.5), f(cx - 1), f(cy + 5), fill,
                    f(cx - 4), f(cy - 2), f(cx + 2), f(cy - 6.5), f(cx + 9.5), f(cy), f(cx + 2), f(cy + 6.5),
                    f(cy + 2), f(cx - 4), a))
    return ''


def button(key, word, pressed, w=180, h=36):
    uid = ''
    if not pressed:
        defs = (lin('bf', 0, 0, 0, 1, [(0, '#4c6ee0'), (0.5, '#2a3f9c'), (0.52, '#223488'), (1, '#17245e')]) +
                lin('bs', 0, 0, 0, 1, [(0, '#ffffff', 0.28), (1, '#ffffff', 0.04)]))
        body = ('<rect x="0.5" y="0.5" width="%d" height="%d" rx="9" fill="%s"/>'
                '<rect x="1.5" y="1" width="%d" height="%d" rx="8" fill="url(#bf)" stroke="%s" stroke-width="1"/>'
                '<path d="M4 9Q4 3 10 3H%s Q%s 3 %s 9V%sQ%s %s %s %sH10Q4 %s 4 9Z" fill="url(#bs)"/>'
                '<path d="M9 3.5H%s" stroke="#c2d0ff" stroke-width="1" stroke-opacity="0.9" stroke-linecap="round"/>'
                % (w - 1, h - 1, NAVY_DARK, w - 3, h - 4, NAVY_DARK,
                   f(w - 10), f(w - 4), f(w - 4), f(h / 2 - 2), f(w - 4), f(h / 2), f(w - 10), f(h / 2), f(h / 2), f(w - 9)))
        dx = dy = 0.0
        text_fill, shadow_op = '#ffffff', 0.7
    else:
        defs = lin('bf', 0, 0, 0, 1, [(0, '#0e1644'), (0.35, '#18266a'), (1, '#22368a')])
        body = ('<rect x="0.5" y="0.5" width="%d" height="%d" rx="9" fill="%s"/>'
                '<rect x="1.5" y="1.5" width="%d" height="%d" rx="8" fill="url(#bf)" stroke="%s" stroke-width="1"/>'
                '<path d="M5 4.5H%s" stroke="#000" stroke-opacity="0.55" stroke-width="2" stroke-linecap="round"/>'
                '<path d="M9 %sH%s" stroke="#6f88e8" stroke-opacity="0.6" stroke-width="1" stroke-linecap="round"/>'
                % (w - 1, h - 1, NAVY_DARK, w - 3, h - 3, NAVY_DARK, f(w - 5), f(h - 2.5), f(w - 9)))
        dx = dy = 1.5
        text_fill, shadow_op = '#dbe3ff', 0.5
    gold = GOLD if not pressed else '#f0c030'
    size = 17
    t = Text(font(), word, size)
    cx = 105 + dx
    x0 = cx - t.width / 2
    base = 24 + dy
    glyphs = t.glyph_paths(x0, base)
    hot = ''.join(d for i, (_, d, _) in enumerate(glyphs) if i == 0)
    rest = ''.join(d for i, (_, d, _) in enumerate(glyphs) if i > 0)
    first = Text(font(), word[0], size)
    ux0, ux1 = x0 + first.ink[0], x0 + first.ink[2]
    if ux1 - ux0 < 9:  # a thin letter (I) still gets a visible mark
        mid = (ux0 + ux1) / 2
        ux0, ux1 = mid - 4.5, mid + 4.5
    icon_x, icon_y = 22 + dx, 18 + dy
    body += '<g transform="translate(1 1.2)" fill-opacity="%s">%s</g>' % (
        f(shadow_op), button_icon(key, icon_x, icon_y, NAVY_DARK))
    body += button_icon(key, icon_x, icon_y, gold)
    defs += '<path id="hk" d="%s"/><path id="rs" d="%s"/>' % (hot, rest)
    body += ('<g transform="translate(1 1.2)" fill="%s" fill-opacity="%s"><use xlink:href="#hk"/>'
             '<use xlink:href="#rs"/></g>' % (NAVY_DARK, f(shadow_op)))
    body += '<rect x="%s" y="%s" width="%s" height="1.8" fill="%s" fill-opacity="%s"/>' % (
        f(ux0 + 1), f(base + 3.2), f(ux1 - ux0), NAVY_DARK, f(shadow_op))
    body += '<use xlink:href="#rs" fill="%s"/><use xlink:href="#hk" fill="%s"/>' % (text_fill, gold)
    body += '<rect x="%s" y="%s" width="%s" height="1.8" fill="%s"/>' % (f(ux0), f(base + 2), f(ux1 - ux0), gold)
    return svg(w, h, body, defs)


def make_buttons():
    for key, word in BUTTONS:
        write('buttons/%s1.svg' % key, button(key, word, False))
        write('buttons/%s2.svg' % key, button(key, word, True))


# ---------------------------------------------------------------- banners and backgrounds

def banner(word, plate, rim, deco):
    w, h = 300, 100
    defs = (lin('pl', 0, 0, 0, 1, plate) +
            lin('gl', 0, 0, 0, 1, [(0, '#ffffff', 0.3), (1, '#ffffff', 0.02)]) +
            lin('rm', 0, 0, 0, 1, [(0, '#fff2a8'), (0.5, GOLD), (1, GOLD_DARK)]))
    body = '<rect width="%d" height="%d" fill="#000"/>' % (w, h)
    body += '<rect x="3" y="5" width="294" height="90" rx="16" fill="url(#rm)" stroke="%s" stroke-width="1.5"/>' % rim
    body += '<rect x="8.5" y="10.5" width="283" height="79" rx="11" fill="url(#pl)" stroke="%s" stroke-width="1.5"/>' % rim
    body += '<path d="M10 30V22Q10 12 21 12H279Q290 12 290 22V30Q150 44 10 30Z" fill="url(#gl)"/>'
    body += deco
    size = 33 if len(word) > 6 else 44
    t = Text(font(), word, size, spacing=1.0)
    x0, y0 = t.centred_at(150 if len(word) > 6 else 168, 50)
    d = t.path(x0, y0)
    cap = t.ink[3] - t.ink[1]
    defs += lin_user('tx', 0, y0 - cap, 0, y0, [(0, '#ffffff'), (0.5, '#fff4c0'), (1, GOLD)])
    defs += '<path id="w" d="%s"/>' % d
    body += '<use xlink:href="#w" transform="translate(2 3)" fill="#000" fill-opacity="0.45"/>'
    body += '<use xlink:href="#w" fill="%s" stroke="%s" stroke-width="5" stroke-linejoin="round"/>' % (rim, rim)
    body += '<use xlink:href="#w" fill="url(#tx)"/>'
    return svg(w, h, body, defs)


def make_banners():
    deco = ''
    for sx in (28, 272):
        deco += '<polygon points="%s" fill="%s" stroke="%s" stroke-width="1"/>' % (
            star_points(sx, 51, 9, 3.9), GOLD, '#5a0808')
    write('banners/GamO.svg', banner('GAME OVER', [(0, '#e0463a'), (0.5, '#a81818'), (1, '#5c0606')], '#3a0202', deco))
    deco = ('<rect x="28" y="32" width="10" height="36" rx="3" fill="%s" stroke="%s" stroke-width="2"/>'
            '<rect x="44" y="32" width="10" height="36" rx="3" fill="%s" stroke="%s" stroke-width="2"/>'
            % (GOLD, NAVY_DARK, GOLD, NAVY_DARK))
    write('banners/pause.svg', banner('PAUSED', [(0, '#4c6ee0'), (0.5, '#23378e'), (1, '#111b52')], NAVY_DARK, deco))


def clip_poly(pts, w, h):
    """Clips a convex polygon to the picture (Qt draws outside the viewBox otherwise)."""
    def cut(pts, inside, inter):
        out = []
        for i, p in enumerate(pts):
            q = pts[i - 1]
            if inside(p):
                if not inside(q):
                    out.append(inter(q, p))
                out.append(p)
            elif inside(q):
                out.append(inter(q, p))
        return out

    def ix(x0):
        return lambda a, b: (x0, a[1] + (b[1] - a[1]) * (x0 - a[0]) / (b[0] - a[0]))

    def iy(y0):
        return lambda a, b: (a[0] + (b[0] - a[0]) * (y0 - a[1]) / (b[1] - a[1]), y0)
    pts = cut(pts, lambda p: p[0] >= 0, ix(0))
    pts = cut(pts, lambda p: p[0] <= w, ix(w)) if pts else pts
    pts = cut(pts, lambda p: p[1] >= 0, iy(0)) if pts else pts
    pts = cut(pts, lambda p: p[1] <= h, iy(h)) if pts else pts
    return pts


def mosaic(w, h, cw, ch, colors, opacity, seed):
    """Quiet pattern of diamonds; cw and ch let a stretched picture keep square-looking cells."""
    rnd = random.Random(seed)
    groups = {c: [] for c in colors}
    rows = int(2 * h / ch) + 2
    cols = int(w / cw) + 2
    for r in range(-1, rows):
        for c in range(-1, cols):
            x = c * cw + (cw / 2 if r % 2 else 0)
            y = r * ch / 2
            col = rnd.choice(colors)
            pts = clip_poly([(x, y - ch / 2 + 0.5), (x + cw / 2 - 0.3, y), (x, y + ch / 2 - 0.5),
                             (x - cw / 2 + 0.3, y)], w, h)
            if len(pts) >= 3:
                groups[col].append('M' + 'L'.join('%s %s' % (f(a), f(b)) for a, b in pts) + 'Z')
    return ''.join('<path d="%s" fill="%s" fill-opacity="%s"/>' % (''.join(p), c, f(opacity))
                   for c, p in groups.items() if p and c)


def make_frame():
    # stretched 3.1 times across to 620 x 620: cells 10 wide look square there
    w, h = 200, 620
    sx = 1 / 3.1
    body = '<rect width="%d" height="%d" fill="#008000"/>' % (w, h)
    body += mosaic(w, h, 10, 31, ['#1a9a1a', '#006a00', '#0b8c0b', '#007800'], 0.55, 7)
    # raised rim outside, sunk edge toward the play field
    body += '<rect width="%d" height="2.5" fill="#5fd05f" fill-opacity="0.7"/>' % w
    body += '<rect width="%s" height="%d" fill="#5fd05f" fill-opacity="0.7"/>' % (f(2.5 * sx), h)
    body += '<rect y="%s" width="%d" height="2.5" fill="#003800" fill-opacity="0.7"/>' % (f(h - 2.5), w)
    body += '<rect x="%s" width="%s" height="%d" fill="#003800" fill-opacity="0.7"/>' % (f(w - 2.5 * sx), f(2.5 * sx), h)
    body += ('<path d="M%s %sH%sV%s" fill="none" stroke="#003000" stroke-opacity="0.75" stroke-width="1.2"/>'
             % (f(10 * sx - 0.3), f(h - 9.4), f(10 * sx - 0.3), f(9.4)))
    body += '<rect x="%s" y="8.8" width="%s" height="1.2" fill="#003000" fill-opacity="0.75"/>' % (
        f(10 * sx - 0.4), f(w - 20 * sx + 0.8))
    body += '<rect x="%s" y="%s" width="%s" height="1.2" fill="#7fe07f" fill-opacity="0.6"/>' % (
        f(10 * sx), f(h - 10), f(w - 20 * sx))
    body += '<rect x="%s" y="9" width="%s" height="%s" fill="#7fe07f" fill-opacity="0.6"/>' % (
        f(w - 10 * sx), f(0.4), f(h - 18))
    write('banners/tile1.svg', svg(w, h, body))


def make_sidebar():
    w, h = 200, 620
    defs = (lin('sb', 0, 0, 0, 1, [(0, '#2ad62a'), (0.3, '#00c000'), (1, '#00a800')]) +
            lin('ed', 0, 0, 1, 0, [(0, '#000000', 0.35), (1, '#000000', 0)]) +
            lin('pn', 0, 0, 0, 1, [(0, '#d6f5c8'), (1, '#f4fff0')]))
    body = '<rect width="%d" height="%d" fill="url(#sb)"/>' % (w, h)
    body += mosaic(w, h, 20, 20, ['#ffffff', None, None], 0.06, 11)
    body += '<rect width="8" height="%d" fill="url(#ed)"/>' % h
    tdefs, title = title_art(100, 52, 41, 'sb')
    defs += tdefs
    body += title
    # a little equation under the title
    mini = ''
    seen = set()
    for i, key in enumerate(['one', 'plus', 'two', 'equal', 'three']):
        st = 'red' if i == 4 else 'blue'
        tdefs2, tb = tile_body(st, key, st)
        if st not in seen:
            defs += tdefs2
            seen.add(st)
        mini += '<g transform="translate(%s %s) scale(0.4)">%s</g>' % (f(62 + i * 16), f(62), tb)
    body += mini
    for word, top in (('Score', 109), ('Level', 153)):
        body += plain_text(word, 15, 100.5, top - 5, '#003000', ' fill-opacity="0.3" transform="translate(1 1)"')
        body += plain_text(word, 15, 100, top - 5, NAVY)
        body += ('<rect x="8" y="%d" width="185" height="25" rx="6" fill="url(#pn)" stroke="#006000" stroke-width="1"/>'
                 '<path d="M13 %sH188" stroke="#000" stroke-opacity="0.15" stroke-width="1.5"/>' % (top, f(top + 1.6)))
    write('banners/tile2.svg', svg(w, h, body, defs))


def make_dialog_background():
    w, h = 200, 620
    defs = rad('dl', 0.5, 0.45, 0.75, [(0, '#fffdf4'), (1, '#f3ecd6')])
    body = '<rect width="%d" height="%d" fill="url(#dl)"/>' % (w, h)
    write('banners/tile3.svg', svg(w, h, body, defs))


# ---------------------------------------------------------------- window pictures

ROBE = [(0, '#e8453a'), (0.5, '#c41f1f'), (1, '#7a0c10')]
LINE = '#2a0c14'


def wizard(hand, tip, uid, star_r=10.0):
    """The math wizard, full figure, feet at y 170, axis x 0; the wand hand is on the viewer's left."""
    hx, hy = hand
    tx, ty = tip
    defs = (lin('rb' + uid, 0, 0, 1, 0.3, ROBE) +
            lin('ht' + uid, 0, 0, 1, 0.2, [(0, '#ef5245'), (0.6, '#b81a1a'), (1, '#6e0a0e')]) +
            rad('fc' + uid, 0.45, 0.4, 0.6, [(0, '#ffe2c6'), (1, '#f0b488')]) +
            lin('bd' + uid, 0, 0, 1, 0, [(0, '#ffffff'), (0.7, '#eef1f7'), (1, '#c9cfdc')]) +
            lin('st' + uid, 0, 0, 0, 1, [(0, '#fffbd0'), (0.5, GOLD), (1, '#f29a00')]) +
            rad('gw' + uid, 0.5, 0.5, 0.5, [(0, '#fff6a0', 0.75), (0.5, '#ffd23f', 0.3), (1, '#ffd23f', 0)]))
    ol = 'stroke="%s" stroke-width="1.6" stroke-linejoin="round"' % LINE
    b = ''
    # shoes and robe
    b += '<ellipse cx="-15" cy="167" rx="10" ry="4.5" fill="#4a2608" %s/>' % ol
    b += '<ellipse cx="15" cy="167" rx="10" ry="4.5" fill="#4a2608" %s/>' % ol
    b += ('<path d="M-16 74Q-31 80 -31 108L-37 164Q0 171 37 164L31 108Q31 80 16 74Z" fill="url(#rb%s)" %s/>'
          % (uid, ol))
    b += ('<path d="M-36.5 160Q0 167 36.5 160L37 164Q0 171 -37 164Z" fill="%s" stroke="%s" stroke-width="1"/>'
          % (GOLD, GOLD_DARK))
    b += '<path d="M0 118V166" stroke="%s" stroke-width="3"/>' % GOLD
    for sx, sy, r in ((-21, 138, 4.5), (20, 126, 3.6), (-9, 152, 3), (22, 150, 4)):
        b += '<polygon points="%s" fill="%s"/>' % (star_points(sx, sy, r, r * 0.45), GOLD)
    b += ('<path d="M-22 120A5 5 0 1 0 -16 113A4 4 0 1 1 -22 120Z" fill="%s"/>' % GOLD)
    # the free arm, resting
    b += ('<path d="M17 80Q31 92 33 112L22 116Q20 100 12 90Z" fill="url(#rb%s)" %s/>' % (uid, ol))
    b += '<circle cx="28" cy="117" r="5" fill="url(#fc%s)" %s/>' % (uid, ol)
    b += '<path d="M21 114L34 110" stroke="%s" stroke-width="3" stroke-linecap="round"/>' % GOLD
    # the wand arm
    ang = math.atan2(hy - 80, hx + 17)
    nx, ny = -math.sin(ang) * 6.5, math.cos(ang) * 6.5
    b += ('<path d="M%s %sL%s %sL%s %sL%s %sZ" fill="url(#rb%s)" %s/>' % (
        f(-20 + nx * 1.3), f(82 + ny * 1.3), f(hx + nx), f(hy + ny), f(hx - nx), f(hy - ny),
        f(-14 - nx * 1.3), f(78 - ny * 1.3), uid, ol))
    cxu, cyu = hx + (-17 - hx) * 0.12, hy + (80 - hy) * 0.12
    b += '<path d="M%s %sL%s %s" stroke="%s" stroke-width="3.2" stroke-linecap="round"/>' % (
        f(cxu + nx), f(cyu + ny), f(cxu - nx), f(cyu - ny), GOLD)
    # wand, hand over it
    wl = math.hypot(tx - hx, ty - hy)
    ux, uy = (tx - hx) / wl, (ty - hy) / wl
    b += '<path d="M%s %sL%s %s" stroke="%s" stroke-width="5" stroke-linecap="round"/>' % (
        f(hx - ux * 6), f(hy - uy * 6), f(tx - ux * 3), f(ty - uy * 3), LINE)
    b += '<path d="M%s %sL%s %s" stroke="#8a5424" stroke-width="2.6" stroke-linecap="round"/>' % (
        f(hx - ux * 6), f(hy - uy * 6), f(tx - ux * 3), f(ty - uy * 3))
    b += '<path d="M%s %sL%s %s" stroke="#ffffff" stroke-width="2.6" stroke-linecap="round"/>' % (
        f(tx - ux * 9), f(ty - uy * 9), f(tx - ux * 3), f(ty - uy * 3))
    b += '<circle cx="%s" cy="%s" r="5.2" fill="url(#fc%s)" %s/>' % (f(hx), f(hy), uid, ol)
    # beard, face, hat
    b += '<ellipse cx="0" cy="62" rx="13" ry="12" fill="url(#fc%s)" %s/>' % (uid, ol)
    b += ('<path d="M-14 58Q-22 86 -12 101Q-6 112 0 124Q6 112 12 101Q22 86 14 58Q10 72 0 72Q-10 72 -14 58Z" '
          'fill="url(#bd%s)" %s/>' % (uid, ol))
    b += ('<path d="M-7 84Q-5 96 -2 106M5 86Q6 96 4 108M-11 76Q-13 88 -8 96" fill="none" stroke="#b8c0d0" '
          'stroke-width="1.2" stroke-linecap="round"/>')
    b += ('<path d="M0 67Q-6 63 -13 68Q-10 74 -3 71Q0 70 0 67Q0 70 3 71Q10 74 13 68Q6 63 0 67Z" fill="#ffffff" %s/>'
          % ol)
    b += '<ellipse cx="0" cy="64" rx="4" ry="3.6" fill="#f09a7c" %s/>' % ol
    b += '<circle cx="-9" cy="64" r="2.6" fill="#ff8a8a" fill-opacity="0.5"/><circle cx="9" cy="64" r="2.6" fill="#ff8a8a" fill-opacity="0.5"/>'
    for ex in (-5, 5):
        b += '<ellipse cx="%s" cy="58.5" rx="1.8" ry="2.3" fill="#1a1020"/><circle cx="%s" cy="57.6" r="0.7" fill="#fff"/>' % (
            ex, f(ex + 0.6))
    b += ('<path d="M-10 54Q-6 50 -1.5 54.5M10 54Q6 50 1.5 54.5" fill="none" stroke="#ffffff" stroke-width="3" '
          'stroke-linecap="round"/><path d="M-10 54Q-6 50 -1.5 54.5M10 54Q6 50 1.5 54.5" fill="none" '
          'stroke="#9aa2b4" stroke-width="0.8" stroke-linecap="round"/>')
    b += '<ellipse cx="0" cy="50" rx="30" ry="7" fill="#8c0e12" %s/>' % ol
    b += ('<path d="M-21 49C-12 30 -2 12 12 2C17 -1 22 4 18 8C13 20 16 34 22 49Q0 54 -21 49Z" fill="url(#ht%s)" %s/>'
          % (uid, ol))
    b += '<path d="M-19.5 44Q0 49 20.5 44L21.5 48.5Q0 54 -20.8 48.5Z" fill="%s" stroke="%s" stroke-width="0.8"/>' % (
        GOLD, GOLD_DARK)
    b += '<polygon points="%s" fill="%s"/>' % (star_points(1, 30, 6, 2.6), GOLD)
    b += '<circle cx="13" cy="16" r="1.6" fill="%s"/><circle cx="-8" cy="38" r="1.3" fill="%s"/>' % (GOLD, GOLD)
    # the spark at the tip
    b += '<circle cx="%s" cy="%s" r="%s" fill="url(#gw%s)"/>' % (f(tx), f(ty), f(star_r * 1.6), uid)
    b += '<polygon points="%s" fill="url(#st%s)" stroke="#a85a00" stroke-width="1.2" stroke-linejoin="round"/>' % (
        star_points(tx, ty, star_r, star_r * 0.46, rot=-80), uid)
    b += sparkle(tx + star_r * 1.3, ty - star_r * 0.9, star_r * 0.5)
    b += sparkle(tx - star_r * 1.1, ty + star_r * 1.2, star_r * 0.38)
    b += '<circle cx="%s" cy="%s" r="1.2" fill="#fff6b0"/>' % (f((tx + hx) / 2 + 5), f((ty + hy) / 2 - 3))
    return defs, b


def make_wizards():
    defs, b = wizard((-40, 60), (-66, 22), 'w', star_r=11)
    s = 123.0 / 174
    s = 120.0 / 174
    body = '<g transform="translate(%s 2.5) scale(%s)">%s</g>' % (f(68), f(s), b)
    write('art/wizard.svg', svg(111, 123, body, defs))
    defs, b = wizard((-30, 58), (-36, 16), 'w', star_r=9)
    s = 0.78
    body = '<g transform="translate(%s %s) scale(%s)">%s</g>' % (f(39.5), f(144 - 172 * s), f(s), b)
    write('art/wizard_tall.svg', svg(71, 145, body, defs))


def headphones_goblin():
    cx, cy = 20, 16.5
    arms = [[(14, 27), (10, 31), (9, 34)], [(26, 27), (30, 31), (31, 34)]]
    g = goblin_body(cx, 26, 35.5, arms) + goblin_head(cx, cy, eyes_open(0.6, -0.3), mouth_grin, '', ear_lift=1)
    g += ('<path d="M9.5 15Q9 4.5 20 4.2Q31 4.5 30.5 15" fill="none" stroke="%s" stroke-width="2.6" '
          'stroke-linecap="round"/><path d="M10.5 13Q10.5 6 20 5.6" fill="none" stroke="#8fa6ff" stroke-width="0.7"/>'
          % NAVY)
    for hx in (9.2, 30.8):
        g += ('<ellipse cx="%s" cy="16.5" rx="3.6" ry="5" fill="%s" stroke="#000" stroke-width="0.7"/>'
              '<ellipse cx="%s" cy="16.5" rx="1.8" ry="3" fill="%s"/>' % (f(hx), NAVY, f(hx), GOLD))
    return g


def note(x, y, s, fill):
    return ('<g transform="translate(%s %s) scale(%s)"><ellipse cx="0" cy="0" rx="4" ry="3" '
            'transform="rotate(-20)" fill="%s"/><path d="M2.4 0.5V-15H4.2Q4.8 -11 9 -9Q10.4 -5.5 8 -2.5Q8.6 -6.4 4.2 -8.6V0.5Z" fill="%s"/></g>'
            % (f(x), f(y), f(s), fill, fill))


def make_headphones():
    body = '<g transform="translate(1.2 19) scale(1.14)">%s</g>' % headphones_goblin()
    body += note(36, 17, 1.05, NAVY) + note(8, 13, 0.8, '#1a7a1a')
    body += '<circle cx="44" cy="4" r="1" fill="%s"/><circle cx="30" cy="6" r="0.8" fill="%s"/>' % (GOLD_DARK, GOLD_DARK)
    write('art/goblin_headphones.svg', svg(48, 65, body, goblin_defs()))


def small_button(w, h, lines, icon, size):
    defs = (lin('bf', 0, 0, 0, 1, [(0, '#4c6ee0'), (0.5, '#2a3f9c'), (0.52, '#223488'), (1, '#17245e')]) +
            lin('bs', 0, 0, 0, 1, [(0, '#ffffff', 0.28), (1, '#ffffff', 0.04)]))
    body = ('<rect x="0.5" y="0.5" width="%d" height="%d" rx="8" fill="%s"/>'
            '<rect x="1.5" y="1" width="%d" height="%d" rx="7" fill="url(#bf)" stroke="%s"/>'
            '<rect x="3.5" y="3" width="%d" height="%s" rx="5" fill="url(#bs)"/>'
            % (w - 1, h - 1, NAVY_DARK, w - 3, h - 4, NAVY_DARK, w - 7, f(h / 2 - 3)))
    left = 6
    if icon:
        body += icon
        left = 38
    cx = (left + w - 4) / 2
    n = len(lines)
    step = size * 1.12
    first = h / 2 - (n - 1) * step / 2 + size * 0.36 - 0.8
    for i, ln in enumerate(lines):
        t = Text(font(), ln, size)
        x0 = cx - t.width / 2
        d = t.path(x0, first + i * step)
        defs += '<path id="l%d" d="%s"/>' % (i, d)
        body += '<use xlink:href="#l%d" transform="translate(0.8 1)" fill="%s" fill-opacity="0.7"/>' % (i, NAVY_DARK)
        body += '<use xlink:href="#l%d" fill="#ffffff"/>' % i
    return svg(w, h, body, defs)


def globe(cx, cy, r):
    return ('<circle cx="%s" cy="%s" r="%s" fill="#3d9cf0" stroke="#0a1138" stroke-width="1"/>'
            '<path d="M%s %sQ%s %s %s %sQ%s %s %s %sZM%s %sQ%s %s %s %sQ%s %s %s %sZ" fill="#5ed25e"/>'
            '<ellipse cx="%s" cy="%s" rx="%s" ry="%s" fill="none" stroke="#e8f4ff" stroke-width="0.8"/>'
            '<path d="M%s %sH%sM%s %sV%s" stroke="#e8f4ff" stroke-width="0.8"/>' % (
                f(cx), f(cy), f(r),
                f(cx - r * 0.7), f(cy - r * 0.5), f(cx - r * 0.1), f(cy - r * 0.9), f(cx - r * 0.05), f(cy - r * 0.2),
                f(cx - r * 0.4), f(cy + r * 0.4), f(cx - r * 0.7), f(cy - r * 0.5),
                f(cx + r * 0.2), f(cy + r * 0.2), f(cx + r * 0.9), f(cy - r * 0.1), f(cx + r * 0.6), f(cy + r * 0.6),
                f(cx + r * 0.1), f(cy + r * 0.8), f(cx + r * 0.2), f(cy + r * 0.2),
                f(cx), f(cy), f(r * 0.45), f(r),
                f(cx - r), f(cy), f(cx + r), f(cx), f(cy - r), f(cy + r)))


def make_score_pictures():
    defs, body = title_art(95, 46, 41, 'h')
    body += sparkle(10, 12, 5, GOLD) + sparkle(182, 52, 4, GOLD) + sparkle(178, 10, 3, '#8fa6ff')
    write('art/hs_title.svg', svg(190, 65, body, defs))
    t = Text(font(), 'Top 10:', 38)
    x0, y0 = t.centred_at(78, 33)
    d = t.path(x0, y0)
    defs = lin_user('tb', 0, y0 - 28, 0, y0, [(0, '#3a62ff'), (1, INK_BLUE)])
    body = ('<path d="%s" transform="translate(1.5 2)" fill="#000040" fill-opacity="0.25"/>'
            '<path d="%s" fill="#ffffff" stroke="#ffffff" stroke-width="4" stroke-linejoin="round"/>'
            '<path d="%s" fill="url(#tb)" stroke="#000070" stroke-width="1"/>' % (d, d, d))
    write('art/hs_top10.svg', svg(156, 65, body, defs))
    icon = globe(19, 19.5, 10.5)
    icon += ('<circle cx="24.5" cy="24" r="5.2" fill="#ffffff" fill-opacity="0.35" stroke="%s" stroke-width="2.2"/>'
             '<path d="M28.2 27.8L32.5 32.2" stroke="%s" stroke-width="3.4" stroke-linecap="round"/>' % (GOLD, GOLD))
    write('art/hs_view.svg', small_button(127, 39, ['View Online', 'Top Scores'], icon, 11.5))
    icon = globe(18, 21, 10.5)
    icon += ('<path d="M21 22L29 14L26.5 11.5H34V19L31.5 16.5L23.5 24.5Z" fill="%s" stroke="%s" stroke-width="0.8" '
             'stroke-linejoin="round"/>' % (GOLD, NAVY_DARK))
    write('art/hs_submit.svg', small_button(127, 39, ['Submit Score', 'Online'], icon, 11.5))
    write('art/hs_close.svg', small_button(127, 39, ['Close'], '', 16))


def make_small_tiles():
    defs, b = tile_body('blue', 'question')
    write('art/item_block.svg', svg(42, 42, '<g transform="scale(1.05)">%s</g>' % b, defs))
    defs, b = tile_body('blue', 'equal')
    write('art/icon.svg', svg(48, 48, '<g transform="scale(1.2)">%s</g>' % b, defs))


def make_splash():
    w, h = 542, 240
    defs = (lin('sky', 0, 0, 0, 1, [(0, '#0a1240'), (0.6, '#1a2c7a'), (1, '#2a47a8')]) +
            rad('moon', 0.62, 0.42, 0.5, [(0, '#ffffff', 0.22), (1, '#ffffff', 0)]))
    body = '<rect width="%d" height="%d" fill="url(#sky)"/>' % (w, h)
    rnd = random.Random(3)
    dots = ''
    for _ in range(70):
        x, y, r = rnd.uniform(4, w - 4), rnd.uniform(4, h - 60), rnd.choice((0.6, 0.8, 1.1))
        dots += '<circle cx="%s" cy="%s" r="%s" fill="#ffffff" fill-opacity="%s"/>' % (
            f(x), f(y), f(r), f(rnd.uniform(0.3, 0.9)))
    body += dots
    body += '<rect width="%d" height="%d" fill="url(#moon)"/>' % (w, h)
    # ground of settled tiles along the bottom
    ground = ''
    seen = set()
    keys = ['four', 'plus', 'five', 'equal', 'nine', None, 'two', 'mult', 'three', 'equal', 'six', 'minus']
    for i, k in enumerate(keys):
        x = 168 + i * 31
        if k is None:
            continue
        st = 'red' if 6 <= i <= 10 else 'blue'
        tdefs, tb = tile_body(st, k, st)
        if st not in seen:
            defs += tdefs
            seen.add(st)
        ground += '<g transform="translate(%s 208) scale(0.78)">%s</g>' % (f(x), tb)
    body += ground
    # a goblin peeking out of the gap
    body += '<g transform="translate(323 196) scale(1.1)">%s</g>' % ''.join(
        [goblin_head(20, 16.5, eyes_open(-0.8, 0.3), mouth_grin, '', ear_lift=1)])
    defs += goblin_defs()
    # falling tiles
    for k, x, y, rot, st in (('seven', 236, 14, -12, 'blue'), ('plus', 330, 4, 9, 'blue2'),
                             ('three', 414, 20, -7, 'blue'), ('div', 488, 6, 11, 'blue')):
        tdefs, tb = tile_body(st, k, st)
        if st not in seen:
            defs += tdefs
            seen.add(st)
        body += ('<g transform="translate(%s %s) rotate(%s 20 20)">'
                 '%s</g>' % (f(x), f(y), f(rot), tb))
    tdefs, title = title_art(362, 136, 74, 'sp')
    defs += tdefs
    body += title
    t = Text(font(), 'An arithmetic falling-block puzzle', 15)
    body += '<path d="%s" fill="#cfe0ff"/>' % t.path(362 - t.width / 2, 172)
    wdefs, wb = wizard((-42, 56), (-72, 14), 'sw', star_r=12)
    defs += wdefs
    body += '<g transform="translate(92 6) scale(1.32)"><g transform="scale(-1 1)">%s</g></g>' % wb
    write('art/splash.svg', svg(w, h, body, defs))


def main():
    make_tiles()
    make_goblins()
    make_stars()
    make_bombs()
    make_buttons()
    make_banners()
    make_frame()
    make_sidebar()
    make_dialog_background()
    make_wizards()
    make_headphones()
    make_score_pictures()
    make_small_tiles()
    make_splash()


if __name__ == '__main__':
    main()
