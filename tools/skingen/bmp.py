"""Windows BMP files (BITMAPFILEHEADER + BITMAPINFOHEADER, uncompressed, bottom-up rows),
written byte by byte so that the output does not depend on an imaging library's writer."""

import struct

PIXELS_PER_METRE = 3780  # 96 dots per inch


def encode(img):
    """An 'RGB' picture as 24 bits per pixel, a 'P' picture as 8 bits with a full 256-entry
    colour table."""
    w, h = img.size
    if img.mode == 'RGB':
        bits, table, colours = 24, b'', 0
        raw = img.tobytes('raw', 'BGR')
        row = w * 3
    elif img.mode == 'P':
        bits, colours = 8, 256
        pal = img.getpalette()[:768]
        pal += [0] * (768 - len(pal))
        table = b''.join(bytes((pal[i + 2], pal[i + 1], pal[i], 0)) for i in range(0, 768, 3))
        raw = img.tobytes()
        row = w
    else:
        raise ValueError('cannot write a %s picture as BMP' % img.mode)
    stride = (row + 3) & ~3
    pad = b'\0' * (stride - row)
    bits_data = b''.join(raw[y * row:(y + 1) * row] + pad for y in range(h - 1, -1, -1))
    offset = 14 + 40 + len(table)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, bits, 0, len(bits_data),
                       PIXELS_PER_METRE, PIXELS_PER_METRE, colours, 0)
    head = struct.pack('<2sIHHI', b'BM', offset + len(bits_data), 0, 0, offset)
    return head + info + table + bits_data


def header(data):
    """(width, height, bits per pixel) of a BMP file's bytes."""
    magic, _, _, _, _ = struct.unpack_from('<2sIHHI', data, 0)
    if magic != b'BM':
        raise ValueError('not a BMP file')
    _, w, h, _, bits = struct.unpack_from('<IiiHH', data, 14)
    return w, abs(h), bits
