#!/usr/bin/env python3
"""Draws the telephone skin from skin.json into res/bitmaps/.

    python3 tools/skingen/skingen.py                 write the bitmaps and bitmaps.txt
    python3 tools/skingen/skingen.py --check         regenerate in a scratch folder and
                                                     compare byte for byte with res/bitmaps
    python3 tools/skingen/skingen.py --preview F.png also write the composed window
                                     [--lang chs]    (with the quick-dial drawer docked)
    python3 tools/skingen/skingen.py --sheet F.png   also write every face, enlarged

The manifest res/bitmaps/bitmaps.txt has one line per bitmap id, in id order:
    <id> <english file> [<simplified chinese file> <traditional chinese file>]
A bitmap whose face is the same in every language has the English file only.
"""

import argparse
import filecmp
import json
import os
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SYSTEM_PYTHON = '/usr/bin/python3'

try:
    from PIL import Image
except ImportError:
    # A pyenv or virtual-env interpreter usually lacks Debian's Pillow; the system one has it.
    if os.path.exists(SYSTEM_PYTHON) and not os.environ.get('SKINGEN_REEXEC'):
        os.environ['SKINGEN_REEXEC'] = '1'
        os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON, os.path.abspath(__file__)] + sys.argv[1:])
    sys.exit('skingen: needs Pillow (Debian package python3-pil)')

sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, HERE)

import bmp  # noqa: E402
import faces  # noqa: E402
import preview  # noqa: E402
import surfaces  # noqa: E402

LANGS = ('en', 'chs', 'cht')
STATES = ('normal', 'pressed', 'hover', 'off', 'on')


def load(path):
    with open(path, encoding='utf-8') as f:
        return json.load(f)


def face_langs(face):
    lab = face.get('label')
    if isinstance(lab, dict) and 'chs' in lab and 'cht' in lab:
        return LANGS
    return ('en',)


def to_256(img, reserved):
    """The body in 256 colours: an adaptive palette plus the reserved colours exactly, so
    that the areas the program fills itself in those colours meet the picture without a
    seam."""
    n = 256 - len(reserved)
    q = img.quantize(colors=n, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    pal = q.getpalette()[:3 * n]
    pal += [0] * (3 * n - len(pal))
    for c in reserved:
        pal += list(c)
    ref = Image.new('P', (1, 1))
    ref.putpalette(pal)
    out = img.quantize(palette=ref, dither=Image.Dither.NONE)
    out.putpalette(pal)
    return out


class Skin:
    """Every bitmap of the description, drawn in memory."""

    def __init__(self, desc):
        self.desc = desc
        self.pal = surfaces.Palette(desc['colours'])
        body = desc['body']
        rgb_body = surfaces.body(desc, self.pal)
        reserved = [self.pal[name] for name in body['reserve']]
        self.body_p = to_256(rgb_body, reserved)
        self.body = self.body_p.convert('RGB')
        # the number box and the call timer fill their rectangles with the display colour
        # themselves; the glass around them must be that very colour
        fx0, fy0, fx1, fy1 = body['display']['number_field']
        lcd = self.pal['lcd']
        if any(c != lcd for c in self.body.crop((fx0 + 2, fy0 + 2, fx1 - 2, fy1 - 2)).getdata()):
            raise SystemExit('skingen: the display colour was not kept in the 256-colour body')
        self.panels = {lang: surfaces.panel(desc, self.pal, lang) for lang in LANGS}
        # files: id -> {lang: (file name, picture)}
        self.files = {}
        self.place = {}
        self._add(body['id'], body['name'], 'en', self.body_p)
        pn = desc['panel']
        for lang in LANGS:
            self._add(pn['id'], pn['name'], lang, self.panels[lang])
        for ctrl in desc['controls']:
            self._control(ctrl)

    def _add(self, bid, stem, lang, img):
        name = '%d_%s%s.bmp' % (bid, stem, '' if lang == 'en' else '_' + lang)
        per = self.files.setdefault(bid, {})
        if lang in per:
            raise SystemExit('skingen: bitmap %d described twice' % bid)
        per[lang] = (name, img)

    def surface(self, sid, lang='en'):
        if sid == self.desc['body']['id']:
            return self.body
        return self.panels[lang]

    def _control(self, ctrl):
        x, y = ctrl['at']
        for face in ctrl['faces']:
            for state in STATES:
                if state not in face:
                    continue
                bid = face[state]
                w, h = face.get('sizes', {}).get(state) or ctrl['size']
                under = self.surface(ctrl['on']).crop((x, y, x + w, y + h))
                for other in ctrl.get('also_at', []):
                    ox, oy = other
                    if list(self.surface(ctrl['on']).crop((ox, oy, ox + w, oy + h)).getdata()) != list(under.getdata()):
                        raise SystemExit('skingen: %s sits on different backgrounds' % ctrl['name'])
                stem = '%s_%s' % (face.get('name', ctrl['name']), state)
                for lang in face_langs(face):
                    img = faces.draw(self.desc, self.pal, ctrl, face, state, under, lang)
                    if img.size != (w, h):
                        raise SystemExit('skingen: face %d drawn at the wrong size' % bid)
                    self._add(bid, stem, lang, img)

    def manifest(self):
        lines = []
        for bid in sorted(self.files):
            per = self.files[bid]
            names = [per['en'][0]]
            if 'chs' in per:
                names += [per['chs'][0], per['cht'][0]]
            lines.append('%d %s\n' % (bid, ' '.join(names)))
        return ''.join(lines)

    def write(self, out):
        os.makedirs(out, exist_ok=True)
        wanted = set()
        for per in self.files.values():
            for name, img in per.values():
                wanted.add(name)
                with open(os.path.join(out, name), 'wb') as f:
                    f.write(bmp.encode(img))
        with open(os.path.join(out, 'bitmaps.txt'), 'w', encoding='ascii', newline='\n') as f:
            f.write(self.manifest())
        for name in os.listdir(out):
            if name.endswith('.bmp') and name not in wanted:
                os.remove(os.path.join(out, name))


def check(skin, out):
    with tempfile.TemporaryDirectory() as tmp:
        skin.write(tmp)
        made = sorted(os.listdir(tmp))
        have = sorted(n for n in os.listdir(out) if n.endswith('.bmp') or n == 'bitmaps.txt')
        bad = [n for n in made if n not in have or not filecmp.cmp(os.path.join(tmp, n), os.path.join(out, n), shallow=False)]
        bad += [n for n in have if n not in made]
    for n in bad:
        print('differs: %s' % n)
    return 1 if bad else 0


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    ap.add_argument('--skin', default=os.path.join(HERE, 'skin.json'))
    ap.add_argument('--out', default=os.path.join(ROOT, 'res', 'bitmaps'))
    ap.add_argument('--check', action='store_true')
    ap.add_argument('--preview')
    ap.add_argument('--lang', default='en', choices=LANGS)
    ap.add_argument('--sheet')
    args = ap.parse_args()
    skin = Skin(load(args.skin))
    if args.check:
        return check(skin, args.out)
    skin.write(args.out)
    if args.preview:
        preview.window(skin, args.lang).save(args.preview, optimize=True)
    if args.sheet:
        preview.sheet(skin).save(args.sheet)
    return 0


if __name__ == '__main__':
    sys.exit(main())
