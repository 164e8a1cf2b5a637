"""Painting primitives of the skin generator.

Shapes are drawn as 8-bit coverage masks at SS times the final size and reduced with a box
filter, which gives smooth anti-aliased edges that come out the same on every run.  Colour
is laid onto an RGB picture through such masks.  Text is drawn at the final size, where
the font's hinting keeps small letters crisp.
"""

from PIL import Image, ImageChops, ImageDraw, ImageFont

SS = 4  # supersampling factor of the shape masks


def rgb(colour):
    """'#rrggbb' or [r, g, b] as a tuple."""
    if isinstance(colour, str):
        c = colour.lstrip('#')
        return tuple(int(c[i:i + 2], 16) for i in (0, 2, 4))
    return tuple(colour)


def mix(a, b, t):
    a, b = rgb(a), rgb(b)
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def shade(colour, f):
    """f > 0 lightens towards white, f < 0 darkens towards black."""
    return mix(colour, (255, 255, 255) if f > 0 else (0, 0, 0), abs(f))


# ---------------------------------------------------------------- masks

def shape(size, draw):
    """Coverage mask of what draw(d, k) paints in white on a canvas k = SS times larger."""
    w, h = size
    big = Image.new('L', (w * SS, h * SS), 0)
    draw(ImageDraw.Draw(big), SS)
    return big.resize((w, h), Image.BOX)


def _box(box, k):
    x0, y0, x1, y1 = box
    return [round(x0 * k), round(y0 * k), round(x1 * k) - 1, round(y1 * k) - 1]


def rrect(size, box, r):
    """Rounded rectangle; box edges are pixel edges: (0, 0, w, h) covers the whole picture."""
    return shape(size, lambda d, k: d.rounded_rectangle(_box(box, k), radius=max(0, r * k), fill=255))


def ellipse(size, box):
    return shape(size, lambda d, k: d.ellipse(_box(box, k), fill=255))


def polygon(size, points):
    return shape(size, lambda d, k: d.polygon([(x * k, y * k) for x, y in points], fill=255))


def thick_line(size, points, width, joint=True):
    def draw(d, k):
        pts = [(x * k, y * k) for x, y in points]
        d.line(pts, fill=255, width=round(width * k), joint='curve' if joint else None)
        r = width * k / 2
        for x, y in pts[:1] + pts[-1:]:
            d.ellipse([x - r, y - r, x + r, y + r], fill=255)
    return shape(size, draw)


def union(*masks):
    out = masks[0]
    for m in masks[1:]:
        out = ImageChops.lighter(out, m)
    return out


def minus(a, b):
    return ImageChops.subtract(a, b)


def intersect(a, b):
    return ImageChops.multiply(a, b)


def scaled(mask, f):
    """The mask with every coverage value multiplied by f (0..1)."""
    return mask.point(lambda v: int(v * f + 0.5))


def shifted(mask, dx, dy):
    out = Image.new('L', mask.size, 0)
    out.paste(mask, (dx, dy))
    return out


def top_rim(mask, d=1):
    return minus(mask, shifted(mask, 0, d))


def bottom_rim(mask, d=1):
    return minus(mask, shifted(mask, 0, -d))


def left_rim(mask, d=1):
    return minus(mask, shifted(mask, d, 0))


def right_rim(mask, d=1):
    return minus(mask, shifted(mask, -d, 0))


# ---------------------------------------------------------------- colour

def vgrad(size, stops):
    """Vertical gradient; stops are (t, colour) with t from 0 (top row) to 1 (bottom row)."""
    w, h = size
    return _grad(h, stops).resize((w, h), Image.NEAREST)


def hgrad(size, stops):
    w, h = size
    return _grad(w, stops).transpose(Image.TRANSPOSE).resize((w, h), Image.NEAREST)


def _grad(n, stops):
    stops = [(t, rgb(c)) for t, c in stops]
    col = Image.new('RGB', (1, n))
    for i in range(n):
        t = i / (n - 1) if n > 1 else 0.0
        for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
            if t <= t1 or (t1, c1) == stops[-1]:
                f = 0.0 if t1 == t0 else min(1.0, max(0.0, (t - t0) / (t1 - t0)))
                col.putpixel((0, i), mix(c0, c1, f))
                break
    return col


def fill(img, mask, src, alpha=1.0):
    """Lays src (a colour or a picture of img's size) onto img through mask."""
    if alpha < 1.0:
        mask = scaled(mask, alpha)
    if not isinstance(src, Image.Image):
        src = Image.new('RGB', img.size, rgb(src))
    img.paste(src, (0, 0), mask)


def offset_mask(mask, dx, dy, size=None):
    """The mask moved by (dx, dy) onto a canvas of the given size (default: its own)."""
    out = Image.new('L', size or mask.size, 0)
    out.paste(mask, (dx, dy))
    return out


# ---------------------------------------------------------------- text

_fonts = {}


def font(desc, size):
    """desc: {"file": path, "index": n}; loaded once per size."""
    key = (desc['file'], desc.get('index', 0), size)
    if key not in _fonts:
        _fonts[key] = ImageFont.truetype(desc['file'], size, index=desc.get('index', 0),
                                         layout_engine=ImageFont.Layout.BASIC)
    return _fonts[key]


def text(img, xy, s, fnt, colour, anchor='mm', emboss=None, spacing=0):
    """Draws s with its anchor at xy.  emboss = (colour, dx, dy) draws a second copy first,
    offset, for an engraved or raised look.  spacing adds pixels between letters."""
    d = ImageDraw.Draw(img)
    if spacing:
        _spaced(d, xy, s, fnt, colour, anchor, emboss, spacing)
        return
    if emboss:
        ec, dx, dy = emboss
        d.text((xy[0] + dx, xy[1] + dy), s, font=fnt, fill=rgb(ec), anchor=anchor)
    d.text(xy, s, font=fnt, fill=rgb(colour), anchor=anchor)


def _spaced(d, xy, s, fnt, colour, anchor, emboss, spacing):
    widths = [fnt.getlength(ch) for ch in s]
    total = sum(widths) + spacing * (len(s) - 1)
    x = xy[0] - total / 2 if anchor[0] == 'm' else (xy[0] - total if anchor[0] == 'r' else xy[0])
    for ch, w in zip(s, widths):
        if emboss:
            ec, dx, dy = emboss
            d.text((round(x) + dx, xy[1] + dy), ch, font=fnt, fill=rgb(ec), anchor='l' + anchor[1])
        d.text((round(x), xy[1]), ch, font=fnt, fill=rgb(colour), anchor='l' + anchor[1])
        x += w + spacing


def text_width(s, fnt):
    return fnt.getlength(s)
