#!/usr/bin/env python3
"""Checks the committed skin bitmaps against what the windows need of them.

    check_bitmaps.py ROOT manifest    every bitmap the windows load is in the manifest, each
                                      file exists with the exact size and depth the layout
                                      places, and the language-dependent buttons carry their
                                      own Chinese faces
    check_bitmaps.py ROOT reproduce   the generator rebuilds every file byte for byte
                                      (skipped, exit 77, where Pillow or a font is missing)
"""

import json
import os
import struct
import subprocess
import sys

SKIP = 77

# Bitmap sizes as the controls place them: the main window's buttons, lamps, keys, level
# buttons, side strip and body, and the quick-dial drawer's background, strip and edit button.
SIZES = [
    ((49, 33), [163, 145, 223, 224, 257, 258]),
    ((45, 33), [162, 158]),
    ((44, 33), [130, 150]),
    ((50, 33), [146, 160]),
    ((57, 15), [129, 141, 233, 232, 152, 153]),
    ((19, 19), [228, 229, 157, 156, 149, 148, 159, 131, 259]),
    ((20, 9), [243, 244, 245, 246]),
    ((34, 23), [144, 140, 139, 138, 137, 136, 178, 177, 176, 175, 174, 173,
                172, 171, 132, 170, 169, 168, 167, 166, 142, 143, 165, 164]),
    ((21, 25), [234, 238]),
    ((21, 24), [237, 239]),
    ((21, 23), [235, 236, 240, 241]),
    ((14, 228), [221, 220, 161]),
    ((470, 290), [203]),
    ((143, 228), [213]),
    ((16, 13), [215, 216]),
]
PALETTED = {203: 8}  # bits per pixel where not 24
# Buttons whose faces are reloaded from the chosen language: Call, home page, My Account,
# Book and Yellow Page, and the Call button's later Hold and UnHold faces.
LANGUAGE_FACES = [163, 145, 146, 160, 129, 141, 130, 150, 152, 153, 223, 224, 257, 258]


def bmp_header(path):
    with open(path, 'rb') as f:
        data = f.read(54)
    if len(data) < 54 or data[:2] != b'BM':
        raise ValueError('not a BMP file')
    file_size, _, _, offset = struct.unpack_from('<IHHI', data, 2)
    hsize, w, h, planes, bits, compression = struct.unpack_from('<IiiHHI', data, 14)
    if os.path.getsize(path) != file_size or hsize != 40 or planes != 1 or compression != 0:
        raise ValueError('unexpected BMP header')
    stride = (w * bits // 8 + 3) & ~3
    if file_size - offset != stride * abs(h):
        raise ValueError('pixel data of the wrong length')
    return w, abs(h), bits


def check_manifest(root):
    folder = os.path.join(root, 'res', 'bitmaps')
    errors = []
    entries = {}
    with open(os.path.join(folder, 'bitmaps.txt'), encoding='ascii') as f:
        for n, line in enumerate(f, 1):
            fields = line.split()
            if len(fields) not in (2, 4) or not fields[0].isdigit():
                errors.append('line %d: expected "<id> <file> [<chs file> <cht file>]"' % n)
                continue
            bid = int(fields[0])
            if bid in entries:
                errors.append('line %d: bitmap %d listed twice' % (n, bid))
            entries[bid] = fields[1:]
    expected = {bid: size for size, ids in SIZES for bid in ids}
    for bid in sorted(set(expected) - set(entries)):
        errors.append('bitmap %d missing from the manifest' % bid)
    for bid in sorted(set(entries) - set(expected)):
        errors.append('bitmap %d is not one the windows load' % bid)
    for bid, files in sorted(entries.items()):
        if bid not in expected:
            continue
        want = expected[bid] + (PALETTED.get(bid, 24),)
        for name in files:
            path = os.path.join(folder, name)
            try:
                got = bmp_header(path)
            except (OSError, ValueError) as e:
                errors.append('bitmap %d: %s: %s' % (bid, name, e))
                continue
            if got != want:
                errors.append('bitmap %d: %s is %dx%d at %d bits, wanted %dx%d at %d bits'
                              % ((bid, name) + got + want))
    for bid in LANGUAGE_FACES:
        files = entries.get(bid, [])
        if len(files) != 3:
            errors.append('bitmap %d has no Chinese faces' % bid)
            continue
        blobs = []
        for name in files:
            with open(os.path.join(folder, name), 'rb') as f:
                blobs.append(f.read())
        if blobs[0] in blobs[1:]:
            errors.append('bitmap %d: a Chinese face is the English one' % bid)
    return errors


def reproduce(root):
    system = '/usr/bin/python3'
    python = system if os.path.exists(system) else sys.executable
    if subprocess.run([python, '-c', 'import PIL'], capture_output=True).returncode != 0:
        print('skipped: Pillow (python3-pil) is not installed')
        return SKIP
    with open(os.path.join(root, 'tools', 'skingen', 'skin.json'), encoding='utf-8') as f:
        fonts = json.load(f)['fonts']
    missing = [f['file'] for f in fonts.values() if not os.path.exists(f['file'])]
    if missing:
        print('skipped: fonts not installed: %s' % ', '.join(missing))
        return SKIP
    gen = os.path.join(root, 'tools', 'skingen', 'skingen.py')
    run = subprocess.run([python, gen, '--check'], capture_output=True, text=True)
    sys.stdout.write(run.stdout + run.stderr)
    if run.returncode != 0:
        print('the committed bitmaps are not what the generator draws from skin.json')
    return run.returncode


def main():
    root, what = sys.argv[1], sys.argv[2]
    if what == 'reproduce':
        return reproduce(root)
    errors = check_manifest(root)
    for e in errors:
        print(e)
    return 1 if errors else 0


if __name__ == '__main__':
    sys.exit(main())
