"""Icon shapes of the skin as coverage masks.

Every glyph is drawn into a mask of the face's whole size, inside a box (x0, y0, x1, y1) in
pixels; the caller colours it.  The shapes are kept simple and bold so that they read at
10 to 16 pixels.
"""

import math

from PIL import Image, ImageDraw

from paint import SS, ellipse, minus, polygon, rrect, thick_line, union


def _fit(box):
    x0, y0, x1, y1 = box
    return x0, y0, x1 - x0, y1 - y0


def handset(size, box, angle=0.0):
    """A telephone handset seen from the side, ear and mouth pieces down, turned by angle
    degrees (counter-clockwise) about the box centre."""
    x0, y0, w, h = _fit(box)
    k = SS
    side = int(round(max(w, h) * k))
    local = Image.new('L', (2 * side, 2 * side), 0)
    d = ImageDraw.Draw(local)
    L = side * 1.0
    ox, oy = side - L / 2, side - L * 0.45
    # grip: a thick, deep arch
    cx, cy = ox + 0.5 * L, oy + 0.66 * L
    rx, ry, t = 0.37 * L, 0.56 * L, 0.17 * L
    pts_out, pts_in = [], []
    for i in range(41):
        a = math.radians(192 + 156 * i / 40)
        pts_out.append((cx + rx * math.cos(a), cy + ry * math.sin(a)))
        pts_in.append((cx + (rx - t) * math.cos(a), cy + (ry - t * 1.1) * math.sin(a)))
    d.polygon(pts_out + pts_in[::-1], fill=255)
    # ear and mouth pieces
    for px in (0.0, 0.64):
        d.rounded_rectangle([ox + px * L, oy + 0.50 * L, ox + (px + 0.36) * L, oy + 0.76 * L],
                            radius=0.11 * L, fill=255)
    local = local.rotate(angle, resample=Image.BICUBIC, center=(side, side))
    big = Image.new('L', (size[0] * k, size[1] * k), 0)
    bx = round((x0 + w / 2) * k - side)
    by = round((y0 + h / 2) * k - side)
    big.paste(local, (bx, by), local)
    return big.resize(size, Image.BOX)


def book(size, box):
    x0, y0, w, h = _fit(box)
    cover = rrect(size, (x0, y0, x0 + w, y0 + h), 1.5)
    spine = rrect(size, (x0 + w * 0.22, y0 + 1, x0 + w * 0.22 + 1.0, y0 + h - 1), 0)
    pages = union(*[rrect(size, (x0 + w * 0.40, y0 + h * f, x0 + w * 0.82, y0 + h * f + 1.0), 0)
                    for f in (0.25, 0.45, 0.65)])
    return minus(minus(cover, spine), pages)


def house(size, box):
    x0, y0, w, h = _fit(box)
    roof = polygon(size, [(x0 - 0.5, y0 + h * 0.50), (x0 + w / 2, y0), (x0 + w + 0.5, y0 + h * 0.50)])
    body = rrect(size, (x0 + w * 0.16, y0 + h * 0.42, x0 + w * 0.84, y0 + h), 0.8)
    door = rrect(size, (x0 + w * 0.42, y0 + h * 0.64, x0 + w * 0.58, y0 + h), 0.5)
    return minus(union(roof, body), door)


def pause(size, box):
    x0, y0, w, h = _fit(box)
    bw = w * 0.34
    return union(rrect(size, (x0, y0, x0 + bw, y0 + h), 1),
                 rrect(size, (x0 + w - bw, y0, x0 + w, y0 + h), 1))


def play(size, box):
    x0, y0, w, h = _fit(box)
    return polygon(size, [(x0, y0), (x0 + w, y0 + h / 2), (x0, y0 + h)])


def speaker(size, box):
    x0, y0, w, h = _fit(box)
    body = rrect(size, (x0, y0 + h * 0.32, x0 + w * 0.28, y0 + h * 0.68), 0.5)
    cone = polygon(size, [(x0 + w * 0.22, y0 + h * 0.32), (x0 + w * 0.55, y0),
                          (x0 + w * 0.55, y0 + h), (x0 + w * 0.22, y0 + h * 0.68)])
    waves = []
    for f in (0.30, 0.52):
        r = h * f
        cx, cy = x0 + w * 0.52, y0 + h / 2
        pts = [(cx + r * math.cos(math.radians(a)), cy + r * math.sin(math.radians(a)))
               for a in range(-45, 46, 9)]
        waves.append(thick_line(size, pts, max(1.0, h * 0.11)))
    return union(body, cone, *waves)


def microphone(size, box):
    x0, y0, w, h = _fit(box)
    cx = x0 + w / 2
    head = rrect(size, (cx - w * 0.22, y0, cx + w * 0.22, y0 + h * 0.62), w * 0.22)
    r = w * 0.38
    cy = y0 + h * 0.36
    pts = [(cx + r * math.cos(math.radians(a)), cy + r * math.sin(math.radians(a)))
           for a in range(0, 181, 15)]
    holder = thick_line(size, pts, max(1.0, w * 0.11))
    stem = rrect(size, (cx - w * 0.06, cy + r - 0.5, cx + w * 0.06, y0 + h), 0)
    base = rrect(size, (cx - w * 0.26, y0 + h - 1.1, cx + w * 0.26, y0 + h), 0.3)
    return union(head, holder, stem, base)


def pencil(size, box):
    x0, y0, w, h = _fit(box)
    t = min(w, h) * 0.30
    a = (x0 + t * 0.2, y0 + h)             # tip
    b = (x0 + w, y0 + t * 0.0)             # far end
    dx, dy = b[0] - a[0], b[1] - a[1]
    n = math.hypot(dx, dy)
    ux, uy = dx / n, dy / n
    px, py = -uy * t / 2, ux * t / 2
    tip_len = t * 1.3
    s = (a[0] + ux * tip_len, a[1] + uy * tip_len)
    shaft = polygon(size, [(s[0] + px, s[1] + py), (b[0] + px, b[1] + py),
                           (b[0] - px, b[1] - py), (s[0] - px, s[1] - py)])
    tip = polygon(size, [a, (s[0] + px, s[1] + py), (s[0] - px, s[1] - py)])
    band = polygon(size, [(b[0] - ux * t * 1.2 + px * 1.2, b[1] - uy * t * 1.2 + py * 1.2),
                          (b[0] - ux * t * 0.8 + px * 1.2, b[1] - uy * t * 0.8 + py * 1.2),
                          (b[0] - ux * t * 0.8 - px * 1.2, b[1] - uy * t * 0.8 - py * 1.2),
                          (b[0] - ux * t * 1.2 - px * 1.2, b[1] - uy * t * 1.2 - py * 1.2)])
    return minus(union(shaft, tip), band)


def chevron(size, box, direction, width=1.6):
    x0, y0, w, h = _fit(box)
    if direction == 'right':
        pts = [(x0, y0), (x0 + w, y0 + h / 2), (x0, y0 + h)]
    elif direction == 'left':
        pts = [(x0 + w, y0), (x0, y0 + h / 2), (x0 + w, y0 + h)]
    elif direction == 'up':
        pts = [(x0, y0 + h), (x0 + w / 2, y0), (x0 + w, y0 + h)]
    else:
        pts = [(x0, y0), (x0 + w / 2, y0 + h), (x0 + w, y0)]
    return thick_line(size, pts, width)


def plus(size, box, t=2.0):
    x0, y0, w, h = _fit(box)
    cx, cy = x0 + w / 2, y0 + h / 2
    return union(rrect(size, (x0, cy - t / 2, x0 + w, cy + t / 2), t * 0.3),
                 rrect(size, (cx - t / 2, y0, cx + t / 2, y0 + h), t * 0.3))


def minus_sign(size, box, t=2.0):
    x0, y0, w, h = _fit(box)
    cy = y0 + h / 2
    return rrect(size, (x0, cy - t / 2, x0 + w, cy + t / 2), t * 0.3)


def cross(size, box, t=1.8):
    x0, y0, w, h = _fit(box)
    return union(thick_line(size, [(x0, y0), (x0 + w, y0 + h)], t),
                 thick_line(size, [(x0 + w, y0), (x0, y0 + h)], t))


def star(size, box):
    x0, y0, w, h = _fit(box)
    cx, cy = x0 + w / 2, y0 + h * 0.54
    ro, ri = min(w, h) / 2, min(w, h) * 0.2
    pts = []
    for i in range(10):
        r = ro if i % 2 == 0 else ri
        a = math.radians(-90 + 36 * i)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return polygon(size, pts)


def log_list(size, box):
    """A call list: three rows, each a bullet and a line."""
    x0, y0, w, h = _fit(box)
    rows = []
    for i in range(3):
        cy = y0 + h * (i + 0.5) / 3
        rows.append(dot(size, x0 + 1.2, cy, 1.2))
        rows.append(rrect(size, (x0 + 4, cy - 0.8, x0 + w, cy + 0.8), 0.5))
    return union(*rows)


def dot(size, cx, cy, r):
    return ellipse(size, (cx - r, cy - r, cx + r, cy + r))


GLYPHS = {
    'handset': lambda size, box: handset(size, box, 0),
        'book': book,
    'house': house,
    'pause': pause,
    'play': play,
    'speaker': speaker,
    'microphone': microphone,
    'pencil': pencil,
    'plus': plus,
    'minus': minus_sign,
    'cross': cross,
    'star': star,
    'list': log_list,
    'chevron-left': lambda size, box: chevron(size, box, 'left'),
    'chevron-right': lambda size, box: chevron(size, box, 'right'),
}


def glyph(name, size, box):
    return GLYPHS[name](size, box)
