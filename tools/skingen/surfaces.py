"""The two pictures that the controls sit on: the telephone body of the main window and the
quick-dial drawer.  Both are drawn from the geometry in skin.json."""

import math

from PIL import Image, ImageFilter

import glyphs
from paint import (ellipse, fill, font, hgrad, intersect, minus, rgb, rrect, shade, shifted,
                   text, thick_line, top_rim, bottom_rim, union, vgrad)


class Palette:
    """Named colours of the description file."""

    def __init__(self, colours):
        self._c = {k: rgb(v) for k, v in colours.items()}

    def __getitem__(self, name):
        return self._c[name]


def recess(img, box, r, top, bottom, depth=1.0):
    """A well pressed into the surface: its own gradient, a shadow along its upper edge and
    a highlight along its lower edge, where the surface turns back up."""
    size = img.size
    m = rrect(size, box, r)
    fill(img, m, vgrad(size, _span(size, box, top, bottom)))
    fill(img, top_rim(m, 1), (0, 0, 0), 0.35 * depth)
    fill(img, top_rim(m, 2), (0, 0, 0), 0.15 * depth)
    fill(img, bottom_rim(m, 1), (255, 255, 255), 0.8 * depth)
    return m


def _span(size, box, top, bottom):
    """Gradient stops that run from top to bottom within the box only."""
    h = size[1] - 1
    t0, t1 = max(0.0, box[1] / h), min(1.0, (box[3] - 1) / h)
    return [(0.0, top), (t0, top), (t1, bottom), (1.0, bottom)]


def body(skin, pal):
    """The telephone body: 471 x 291 with the window's rounded outline; the bitmap is its
    top-left 470 x 290 (the brush tiles, so column 470 and row 290 repeat column 0 and
    row 0, which are both outline)."""
    b = skin['body']
    W, H = skin['window']['size']
    radius = skin['window']['corner'][0] / 2
    size = (W, H)
    img = Image.new('RGB', size, pal['outline'])

    outer = rrect(size, (0, 0, W, H), radius)
    inner = rrect(size, (1, 1, W - 1, H - 1), radius - 1)
    fill(img, inner, vgrad(size, [(0.0, pal['body_top']), (0.45, pal['body_mid']),
                                 (1.0, pal['body_bottom'])]))

    # top deck holding the handset, divided from the face by a groove
    x0, y0, x1, y1 = b['deck']
    deck = minus(inner, rrect(size, (0, y1, W, H), 0))
    fill(img, deck, vgrad(size, _span(size, (0, 0, W, y1), pal['deck_bottom'], pal['deck_top'])))
    groove = rrect(size, (1, y1 - 1, W - 1, y1), 0)
    fill(img, union(groove), shade(pal['deck_top'], -0.35))
    fill(img, rrect(size, (1, y1, W - 1, y1 + 1), 0), (255, 255, 255), 0.9)

    # bevel of the whole body
    fill(img, top_rim(inner, 1), (255, 255, 255), 0.9)
    fill(img, bottom_rim(inner, 1), (0, 0, 0), 0.25)
    fill(img, bottom_rim(inner, 2), (0, 0, 0), 0.10)

    _cradle(img, skin, pal)
    _display(img, skin, pal)
    _levels(img, skin, pal)
    recess(img, b['keypad']['well'], 9, pal['well_top'], pal['well_bottom'])
    for seat in b['lamp_seat']:
        recess(img, seat, 4, shade(pal['well_top'], -0.05), pal['well_bottom'])
    small = font(skin['fonts']['cond'], 7)
    for lab in b['lamp_labels']:
        text(img, lab['at'], lab['text'], small, pal['print'], emboss=('#ffffff', 0, 1))
    recess(img, b['bar'], 12, pal['bezel_bottom'], pal['bezel_top'], depth=1.2)
    _grille(img, skin, pal)
    sx0, sy0, sx1, sy1 = b['side_slot']
    recess(img, (sx0, sy0, sx1 + 10, sy1), 6, shade(pal['well_top'], -0.1), pal['well_bottom'])
    logo = font(skin['fonts']['bold'], 8)
    text(img, b['logo']['at'], b['logo']['text'], logo, pal['print'], emboss=('#ffffff', 0, 1),
         spacing=2)

    # what lies outside the rounded outline is never shown; keep it the outline colour
    img.paste(Image.new('RGB', size, pal['outline']), (0, 0), Image.eval(outer, lambda v: 255 - v))
    w, h = b['size']
    return img.crop((0, 0, w, h))


def _cradle(img, skin, pal):
    b = skin['body']
    size = img.size
    recess(img, b['cradle'], 12, shade(pal['deck_top'], -0.25), shade(pal['deck_bottom'], -0.1),
           depth=1.3)
    x0, y0, x1, y1 = b['handset']
    h = y1 - y0
    r = h / 2
    cy = y0 + r
    cups = union(ellipse(size, (x0, y0, x0 + h, y1)), ellipse(size, (x1 - h, y0, x1, y1)))
    grip = rrect(size, (x0 + r, cy - h * 0.30, x1 - r, cy + h * 0.30), h * 0.3)
    neck = union(rrect(size, (x0 + h * 0.7, cy - h * 0.36, x0 + h * 1.5, cy + h * 0.36), h * 0.36),
                 rrect(size, (x1 - h * 1.5, cy - h * 0.36, x1 - h * 0.7, cy + h * 0.36), h * 0.36))
    hs = union(cups, grip, neck)
    _cord(img, b['cord'], pal)
    # soft shadow in the well
    sh = shifted(hs, 1, 2).filter(ImageFilter.GaussianBlur(1.5))
    fill(img, sh, (0, 0, 0), 0.45)
    fill(img, hs, vgrad(size, _span(size, (x0, y0, x1, y1), pal['handset_top'], pal['handset_bottom'])))
    fill(img, top_rim(hs, 1), (255, 255, 255), 0.35)
    # gloss along the grip
    gloss = rrect(size, (x0 + r, cy - h * 0.22, x1 - r, cy - h * 0.10), h * 0.06)
    fill(img, gloss, (255, 255, 255), 0.12)
    # ear piece: ring and holes; mouth piece: a grid of holes
    for cx, holes in ((x0 + r, 'ring'), (x1 - r, 'grid')):
        face = ellipse(size, (cx - r * 0.72, cy - r * 0.72, cx + r * 0.72, cy + r * 0.72))
        fill(img, face, shade(pal['handset_bottom'], 0.08))
        fill(img, bottom_rim(face, 1), (255, 255, 255), 0.25)
        pts = [(cx, cy)]
        if holes == 'ring':
            pts += [(cx + r * 0.40 * math.cos(math.radians(a)), cy + r * 0.40 * math.sin(math.radians(a)))
                    for a in range(0, 360, 60)]
        else:
            pts = [(cx + dx * r * 0.28, cy + dy * r * 0.28) for dx in (-1, 0, 1) for dy in (-1, 0, 1)]
        for px, py in pts:
            hole = glyphs.dot(size, px, py, 1.1)
            fill(img, hole, (0, 0, 0), 0.85)
    fnt = font(skin['fonts']['bold'], 10)
    text(img, b['brand']['at'], b['brand']['text'], fnt, '#c9d3de', emboss=('#0c0e11', 0, -1), spacing=1)


def _cord(img, cord, pal):
    """The coiled cord from the mouth piece to its socket in the deck."""
    size = img.size
    sx0, sy0, sx1, sy1 = cord['socket']
    sock = rrect(size, cord['socket'], 3)
    fill(img, shifted(sock, 0, 1), (255, 255, 255), 0.8)
    fill(img, sock, vgrad(size, _span(size, cord['socket'], pal['bezel_bottom'], pal['bezel_top'])))
    (x0, y0), (x1, y1) = cord['from'], cord['to']
    cy = (y0 + y1) / 2
    tube = rrect(size, (x0, cy - 4, x1, cy + 4), 4)
    fill(img, shifted(tube, 1, 1), (0, 0, 0), 0.3)
    fill(img, tube, vgrad(size, _span(size, (x0, cy - 4, x1, cy + 4), pal['handset_top'], pal['handset_bottom'])))
    pitch = (x1 - x0) / cord['loops']
    grooves, lights = [], []
    for i in range(cord['loops'] + 1):
        x = x0 + i * pitch
        grooves.append(thick_line(size, [(x - 1.2, cy - 4), (x + 1.2, cy + 4)], 0.9))
        lights.append(thick_line(size, [(x + 0.3, cy - 4), (x + 2.7, cy + 4)], 0.7))
    fill(img, intersect(union(*grooves), tube), (0, 0, 0), 0.7)
    fill(img, intersect(union(*lights), tube), (255, 255, 255), 0.22)


def _display(img, skin, pal):
    d = skin['body']['display']
    size = img.size
    bez = rrect(size, d['bezel'], 9)
    fill(img, shifted(bez, 0, 1), (255, 255, 255), 0.9)
    fill(img, bez, vgrad(size, _span(size, d['bezel'], pal['bezel_top'], pal['bezel_bottom'])))
    fill(img, top_rim(bez, 1), (0, 0, 0), 0.4)
    glass = rrect(size, d['glass'], 5)
    fill(img, minus(rrect(size, _grow(d['glass'], 1), 6), glass), (0, 0, 0), 0.55)
    fill(img, glass, pal['lcd'])
    fill(img, top_rim(glass, 1), shade(pal['lcd'], -0.45))
    for key in ('number_field', 'timer_field'):
        box = d[key]
        ring = minus(rrect(size, box, 3), rrect(size, _grow(box, -1), 2))
        fill(img, ring, pal['lcd_line'])
    y = d['divider_y']
    gx0, _, gx1, _ = d['glass']
    fill(img, rrect(size, (gx0 + 6, y, gx1 - 6, y + 1), 0), pal['lcd_line'])
    icons = d['bar_icons']
    fill(img, glyphs.speaker(size, icons['speaker']), shade(pal['lcd_dim'], 0.15))
    fill(img, glyphs.microphone(size, icons['microphone']), shade(pal['lcd_dim'], 0.15))


def _grow(box, n):
    return (box[0] - n, box[1] - n, box[2] + n, box[3] + n)


def _levels(img, skin, pal):
    lv = skin['body']['levels']
    size = img.size
    recess(img, lv['channel'], 7, pal['well_top'], pal['well_bottom'])
    fill(img, glyphs.speaker(size, lv['speaker_icon']), pal['print'])
    fill(img, glyphs.microphone(size, lv['microphone_icon']), pal['print'])
    x0, _, x1, _ = lv['channel']
    y = lv['separator_y']
    fill(img, rrect(size, (x0 + 4, y, x1 - 4, y + 1), 0), shade(pal['well_top'], -0.25))
    fill(img, rrect(size, (x0 + 4, y + 1, x1 - 4, y + 2), 0), (255, 255, 255), 0.8)


def _grille(img, skin, pal):
    g = skin['body']['grille']
    size = img.size
    recess(img, g['frame'], 8, shade(pal['well_top'], -0.08), pal['well_bottom'])
    x0, y0, x1, y1 = g['holes']
    p, r = g['pitch'], g['radius']
    holes = []
    row = 0
    y = y0 + r
    while y + r <= y1:
        x = x0 + r + (p / 2 if row % 2 else 0)
        while x + r <= x1:
            holes.append(glyphs.dot(size, x, y, r))
            x += p
        y += p * 0.87
        row += 1
    m = union(*holes)
    fill(img, shifted(m, 0, 1), (255, 255, 255), 0.8)
    fill(img, m, shade(pal['bezel_bottom'], -0.2))


def panel(skin, pal, lang):
    """The quick-dial drawer: a frame in the body's finish around a dark card of five
    slots.  The frame is shaded across, not down, so that a control may be placed at any
    height of its left margin on the same background."""
    p = skin['panel']
    w, h = p['size']
    size = (w, h)
    img = Image.new('RGB', size)
    fill(img, Image.new('L', size, 255),
         hgrad(size, [(0.0, shade(pal['body_mid'], -0.06)), (0.25, pal['body_top']),
                      (1.0, pal['body_mid'])]))
    fill(img, rrect(size, (0, 0, w, 1), 0), pal['outline'])
    fill(img, rrect(size, (0, h - 1, w, h), 0), pal['outline'])
    fill(img, rrect(size, (w - 1, 0, w, h), 0), pal['outline'])
    fill(img, rrect(size, (0, 1, w - 1, 2), 0), (255, 255, 255), 0.9)

    cx0, cy0, cx1, cy1 = p['card']
    bez = rrect(size, (cx0 - 2, cy0 - 2, cx1 + 2, cy1 + 8), 6)
    fill(img, shifted(bez, 0, 1), (255, 255, 255), 0.9)
    fill(img, bez, vgrad(size, [(0.0, pal['bezel_top']), (1.0, pal['bezel_bottom'])]))
    card = rrect(size, (cx0, cy0, cx1, cy1 + 8), 4)
    fill(img, card, pal['lcd'])
    fill(img, top_rim(card, 1), shade(pal['lcd'], -0.45))
    for top, _ in p['rows'][1:]:
        fill(img, rrect(size, (cx0 + 4, top, cx1 - 4, top + 1), 0), pal['lcd_line'])
    digit = font(skin['fonts']['bold'], 8)
    for i, (top, _) in enumerate(p['rows']):
        text(img, (cx1 - 6, top + 9), str(i + 1), digit, pal['lcd_line'])
    # the strip of the fixed card frame under the last row
    fill(img, rrect(size, (0, h - 1, w, h), 0), pal['outline'])

    t = p['title']
    label = t['label'].get(lang, t['label']['en'])
    fnt = font(skin['fonts']['cjk'], 12) if lang != 'en' else font(skin['fonts']['bold'], 10)
    tw = fnt.getlength(label)
    tx, ty = t['at']
    star = glyphs.star(size, (tx - tw / 2 - 14, ty - 6, tx - tw / 2 - 3, ty + 5))
    fill(img, shifted(star, 0, 1), (255, 255, 255), 0.9)
    fill(img, star, pal['amber_bottom'])
    text(img, (tx + 2, ty), label, fnt, pal['print'], emboss=('#ffffff', 0, 1))
    return img
