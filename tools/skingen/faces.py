"""Faces of the skin's controls.  Each face is drawn over the piece of the surface that the
control covers, so that the corners around a rounded button are the very pixels of the
background and the window composes without seams.  A pressed face is darker, lit from
below and its content sits one pixel lower and to the right."""

import glyphs
from paint import (fill, font, hgrad, minus, rrect, shade, shifted, text, top_rim, bottom_rim,
                   left_rim, vgrad)

PRESS = 1  # pixels the content of a pressed face moves down and to the right


def label_font(skin, lang, latin_size, latin='cond', s=None, room=None):
    """The label font: the CJK face at its crisp 12 pixels, or the Latin face at
    latin_size, made smaller (down to 7) while s does not fit in room pixels."""
    if lang != 'en':
        return font(skin['fonts']['cjk'], 12)
    size = latin_size
    while room and size > 7 and font(skin['fonts'][latin], size).getlength(s) > room:
        size -= 1
    return font(skin['fonts'][latin], size)


def label_text(face, lang):
    lab = face.get('label')
    if lab is None:
        return None
    if isinstance(lab, str):
        return lab
    return lab.get(lang, lab['en'])


def _pair(pal, name):
    return pal[name + '_top'], pal[name + '_bottom']


def _body_fill(img, mask, top, bottom, pressed):
    size = img.size
    if pressed:
        top, bottom = shade(bottom, -0.15), shade(top, -0.22)
    fill(img, mask, vgrad(size, [(0.0, top), (1.0, bottom)]))
    if pressed:
        fill(img, top_rim(mask, 1), (0, 0, 0), 0.45)
        fill(img, top_rim(mask, 2), (0, 0, 0), 0.2)
    else:
        fill(img, top_rim(mask, 1), (255, 255, 255), 0.55)
        fill(img, bottom_rim(mask, 1), (0, 0, 0), 0.25)


def segment(skin, pal, ctrl, face, state, under, lang):
    """One segment of the four-part bar of the big buttons (Call, Hang, Book, Home)."""
    img = under.copy()
    w, h = img.size
    size = img.size
    pressed = state == 'pressed'
    edge = ctrl.get('edge', 'none')
    r = 9
    box = {'left': (0, 0, w + 2 * r, h), 'right': (-2 * r, 0, w, h)}.get(edge, (-2 * r, 0, w + 2 * r, h))
    m = rrect(size, box, r)
    top, bottom = _pair(pal, face['fill'])
    _body_fill(img, m, top, bottom, pressed)
    if not pressed:
        gloss = rrect(size, (box[0] + 1, 1, box[2] - 1, h * 0.48), r - 1)
        fill(img, gloss, (255, 255, 255), 0.13)
    if edge != 'left':
        fill(img, rrect(size, (0, 1, 1, h - 1), 0), shade(bottom, -0.45))
        fill(img, rrect(size, (1, 1, 2, h - 1), 0), (255, 255, 255), 0.18 if not pressed else 0.05)
    ink = (255, 255, 255) if face['fill'] != 'graphite' else (222, 233, 246)
    d = PRESS if pressed else 0
    lab = label_text(face, lang)
    gw, gh = (15, 12) if lab else (23, 18)  # a face without a label: the glyph alone, larger
    gx, gy = (w - gw) / 2 + (0.5 if edge == 'left' else 0) + d, (4 if lab else (h - gh) / 2) + d
    g = glyphs.glyph(face['glyph'], size, (gx, gy, gx + gw, gy + gh))
    if face['glyph'] in ('pause', 'play'):
        g = glyphs.glyph(face['glyph'], size, (gx + 3.5, gy + 1, gx + gw - 3.5, gy + gh - 1))
    fill(img, shifted(g, 0, 1), shade(bottom, -0.5), 0.6)
    fill(img, g, ink)
    if not lab:
        return img
    fnt = label_font(skin, lang, 9, s=lab, room=w - 6)
    ty = 25 if lang == 'en' else 24
    text(img, (w / 2 + d + (1 if edge == 'left' else 0), ty + d), lab, fnt, ink,
         emboss=(shade(bottom, -0.5), 0, 1))
    return img


def pill(skin, pal, ctrl, face, state, under, lang):
    """A small rounded push button with a text."""
    img = under.copy()
    w, h = img.size
    size = img.size
    pressed = state == 'pressed'
    fill(img, rrect(size, (0.5, 1, w - 0.5, h), (h - 1) / 2), (0, 0, 0), 0.3 if not pressed else 0.15)
    m = rrect(size, (0.5, 0 + (1 if pressed else 0), w - 0.5, h - 1 + (1 if pressed else 0)), (h - 1) / 2)
    top, bottom = _pair(pal, 'graphite')
    _body_fill(img, m, top, bottom, pressed)
    d = PRESS if pressed else 0
    if 'glyph' in face:  # the same picture in every language
        gw, gh = 16, 9
        gx, gy = (w - gw) / 2 + d, (h - 1 - gh) / 2 + d
        g = glyphs.glyph(face['glyph'], size, (gx, gy, gx + gw, gy + gh))
        fill(img, shifted(g, 0, 1), (20, 22, 26), 0.8)
        fill(img, g, (236, 242, 250))
        return img
    lab = label_text(face, lang)
    fnt = label_font(skin, lang, 8, s=lab, room=w - 8)
    text(img, (w / 2 + d, (h - 1) / 2 + d + (0 if lang == 'en' else 0.5)), lab,
         fnt, (236, 242, 250), emboss=((20, 22, 26), 0, 1))
    return img


def round_button(skin, pal, ctrl, face, state, under, lang):
    """The round buttons of the top deck (menu, help, minimise, exit); only the top-left
    view of the bitmap is shown, so the button is drawn inside it."""
    img = under.copy()
    size = img.size
    vw, vh = ctrl['view']
    pressed = state == 'pressed'
    hot = state == 'hover' or (pressed and face.get('hot'))
    fill(img, rrect(size, (0.5, 1.0, vw - 0.5, vh), (vw - 1) / 2), (255, 255, 255), 0.7)
    m = rrect(size, (0.5, 0.5, vw - 0.5, vh - 0.5), (vw - 1) / 2)
    top, bottom = _pair(pal, face['hot'] if hot else 'graphite')
    _body_fill(img, m, top, bottom, pressed)
    d = PRESS if pressed else 0
    ink = (255, 255, 255)
    cx, cy = vw / 2 + d, vh / 2 + d
    if 'text' in face:
        fnt = font(skin['fonts']['bold'], 10 if face['text'] == 'M' else 11)
        text(img, (cx, cy), face['text'], fnt, ink, emboss=((0, 0, 0), 0, 1))
    else:
        gl = face['glyph']
        box = (cx - 3.5, cy - 3.5, cx + 3.5, cy + 3.5) if gl == 'cross' else (cx - 4, cy + 0.5, cx + 4, cy + 2.5)
        g = glyphs.glyph(gl, size, box)
        fill(img, shifted(g, 0, 1), (0, 0, 0), 0.5)
        fill(img, g, ink)
    return img


def lamp(skin, pal, ctrl, face, state, under, lang):
    """A small LED behind a dark bezel; lit or not."""
    img = under.copy()
    w, h = img.size
    size = img.size
    bez = rrect(size, (0, 0, w, h), h / 2)
    fill(img, bez, vgrad(size, [(0.0, (24, 27, 31)), (1.0, (58, 63, 70))]))
    lens = rrect(size, (2, 2, w - 2, h - 2), (h - 4) / 2)
    c_on, c_off = pal[face['colour'] + '_on'], pal[face['colour'] + '_off']
    if state == 'on':
        fill(img, minus(rrect(size, (1, 1, w - 1, h - 1), (h - 2) / 2), lens), c_on, 0.45)
        fill(img, lens, vgrad(size, [(0.0, shade(c_on, 0.55)), (0.5, c_on), (1.0, shade(c_on, -0.15))]))
        fill(img, rrect(size, (4, 2.5, w / 2, 3.6), 0.5), (255, 255, 255), 0.8)
    else:
        fill(img, lens, vgrad(size, [(0.0, shade(c_off, -0.3)), (1.0, shade(c_off, 0.15))]))
        fill(img, rrect(size, (4, 2.5, w / 2, 3.6), 0.5), (255, 255, 255), 0.12)
    return img


def key(skin, pal, ctrl, face, state, under, lang):
    """A key of the keypad: digit above, letters below, as on a telephone."""
    img = under.copy()
    w, h = img.size
    size = img.size
    pressed = state == 'pressed'
    r = 6
    d = PRESS if pressed else 0
    if not pressed:
        fill(img, rrect(size, (0.5, 1.5, w - 0.5, h), r), (0, 0, 0), 0.35)
    outer = rrect(size, (0.5, 0 + d, w - 0.5, h - 1 + d), r)
    fill(img, outer, pal['key_edge'])
    inner = rrect(size, (1.5, 1 + d, w - 1.5, h - 2 + d), r - 1)
    top, bottom = pal['key_top'], pal['key_bottom']
    if pressed:
        top, bottom = shade(bottom, -0.12), shade(top, -0.10)
    fill(img, inner, vgrad(size, [(0.0, top), (1.0, bottom)]))
    if pressed:
        fill(img, top_rim(inner, 1), (0, 0, 0), 0.25)
    else:
        fill(img, bottom_rim(inner, 1), (0, 0, 0), 0.12)
    digit, letters = face['text'], face.get('letters', '')
    cx = w / 2 + d
    if digit in '*#':
        fnt = font(skin['fonts']['bold'], 17 if digit == '*' else 13)
        text(img, (cx, (h - 1) / 2 + d + (3 if digit == '*' else 0)), digit, fnt, pal['key_digit'])
    else:
        fnt = font(skin['fonts']['bold'], 13)
        text(img, (cx, 8 + d), digit, fnt, pal['key_digit'])
    if letters:
        small = font(skin['fonts']['cond'], 7)
        text(img, (cx, 16.5 + d), letters, small, pal['key_letters'], spacing=1 if len(letters) < 4 else 0)
    return img


def level(skin, pal, ctrl, face, state, under, lang):
    """A volume or microphone step button: a small key with a plus or minus."""
    img = under.copy()
    size = img.size
    vw, vh = ctrl['view']
    pressed = state == 'pressed'
    d = PRESS if pressed else 0
    r = 5
    if not pressed:
        fill(img, rrect(size, (0.5, 1.5, vw - 0.5, vh), r), (0, 0, 0), 0.35)
    fill(img, rrect(size, (0.5, d, vw - 0.5, vh - 1 + d), r), pal['key_edge'])
    inner = rrect(size, (1.5, 1 + d, vw - 1.5, vh - 2 + d), r - 1)
    top, bottom = pal['key_top'], pal['key_bottom']
    if pressed:
        top, bottom = shade(bottom, -0.12), shade(top, -0.10)
    fill(img, inner, vgrad(size, [(0.0, top), (1.0, bottom)]))
    cx, cy = vw / 2 + d, (vh - 1) / 2 + d
    g = glyphs.glyph(face['glyph'], size, (cx - 4, cy - 4, cx + 4, cy + 4))
    fill(img, g, pal['key_digit'])
    return img


def tab(skin, pal, ctrl, face, state, under, lang):
    """The tall strip at a window's right edge that opens or closes the quick-dial drawer;
    its last column is the outline of the window it belongs to."""
    img = under.copy()
    w, h = img.size
    size = img.size
    m = rrect(size, (0, 0, w + 8, h), 6)
    fill(img, m, hgrad(size, [(0.0, pal['graphite_top']), (1.0, pal['graphite_bottom'])]))
    fill(img, left_rim(m, 1), (255, 255, 255), 0.35)
    fill(img, top_rim(m, 1), (255, 255, 255), 0.35)
    fill(img, bottom_rim(m, 1), (0, 0, 0), 0.4)
    fill(img, rrect(size, (w - 1, 0, w, h), 0), pal['outline'])
    cy = h / 2
    for y in list(range(int(cy) - 34, int(cy) - 14, 4)) + list(range(int(cy) + 16, int(cy) + 36, 4)):
        fill(img, rrect(size, (3.5, y, w - 4.5, y + 1), 0.5), (0, 0, 0), 0.55)
        fill(img, rrect(size, (3.5, y + 1, w - 4.5, y + 2), 0.5), (255, 255, 255), 0.22)
    g = glyphs.glyph(face['glyph'], size, (4.5, cy - 6, 8.5, cy + 6))
    fill(img, shifted(g, 0, 1), (0, 0, 0), 0.5)
    fill(img, g, (255, 255, 255))
    return img


def small(skin, pal, ctrl, face, state, under, lang):
    """The little edit button beside a quick-dial slot."""
    img = under.copy()
    w, h = img.size
    size = img.size
    pressed = state == 'pressed'
    d = PRESS if pressed else 0
    m = rrect(size, (0.5, 0.5, w - 0.5, h - 0.5), 3)
    top, bottom = _pair(pal, 'graphite')
    _body_fill(img, m, top, bottom, pressed)
    g = glyphs.glyph(face['glyph'], size, (4.5 + d, 2 + d, 11.5 + d, 10 + d))
    fill(img, g, (255, 255, 255))
    return img


KINDS = {
    'segment': segment,
    'pill': pill,
    'round': round_button,
    'lamp': lamp,
    'key': key,
    'level': level,
    'tab': tab,
    'small': small,
}


def draw(skin, pal, ctrl, face, state, under, lang):
    return KINDS[ctrl['kind']](skin, pal, ctrl, face, state, under, lang)
