"""Pictures for looking at the skin: the composed window as the program shows it (body
tiled by the brush, every control's face at its place cut to its window size, the rounded
region, sample texts where the program draws them, the quick-dial drawer docked at the
right edge), and a sheet of every face in every language."""

from PIL import Image, ImageDraw

from paint import font, rgb, rrect

DESKTOP = (86, 110, 140)
SHOWN = {'call_lamp': 'on', 'line_lamp': 'on'}


def _tiled(img, size):
    out = Image.new('RGB', size)
    for y in range(0, size[1], img.height):
        for x in range(0, size[0], img.width):
            out.paste(img, (x, y))
    return out


def _face(skin, ctrl, lang, state):
    face = ctrl['faces'][0]
    bid = face[state]
    per = skin.files[bid]
    return per.get(lang, per['en'])[1].convert('RGB')


def _state(ctrl):
    face = ctrl['faces'][0]
    want = SHOWN.get(ctrl['name'], 'normal')
    return want if want in face else ('off' if 'off' in face else 'normal')


def _place(canvas, skin, ctrl, lang, origin):
    img = _face(skin, ctrl, lang, _state(ctrl))
    vw, vh = ctrl.get('view', img.size)
    ox, oy = origin
    for at in [ctrl['at']] + ctrl.get('also_at', []):
        canvas.paste(img.crop((0, 0, vw, vh)), (ox + at[0], oy + at[1]))


def _samples(canvas, skin, origin):
    """What the program draws on the display at run time, for judging the layout."""
    ox, oy = origin
    d = ImageDraw.Draw(canvas)
    blue, dim = (99, 174, 255), (38, 67, 97)
    thin = font(skin.desc['fonts']['light'], 12)
    edit = font(skin.desc['fonts']['sans'], 9)
    d.rectangle([ox + 38, oy + 59, ox + 161, oy + 67], fill=(7, 40, 55))
    d.text((ox + 40, oy + 58), '8613912345678', font=edit, fill=blue)
    timer = Image.new('RGB', (52, 13), (7, 40, 55))
    ImageDraw.Draw(timer).text((3, 1), '00:03:27', font=font(skin.desc['fonts']['light'], 12), fill=blue)
    canvas.paste(timer, (ox + 170, oy + 61))
    for y, s in ((90, '8613912345678'), (108, 'Balance: 12.50'), (127, 'Available Time: 01:02:05'),
                 (145, 'Connected')):
        d.text((ox + 35, oy + y), s, font=thin, fill=blue)
    for i in range(16):
        d.rectangle([ox + 58 + 4 * i, oy + 168, ox + 58 + 4 * i, oy + 175], fill=blue if i < 11 else dim)
        d.rectangle([ox + 152 + 4 * i, oy + 168, ox + 152 + 4 * i, oy + 175], fill=blue if i < 7 else dim)


def _panel_samples(canvas, skin, origin):
    ox, oy = origin
    d = ImageDraw.Draw(canvas)
    fnt = font(skin.desc['fonts']['sans'], 10)
    link = rgb(skin.desc['colours']['link'])
    slots = [(50, 65, 'Office', '862161234567'), (86, 101, 'Home', '862087654321'),
             (124, 138, 'Mobile', '13912345678')]
    for ny, my, name, number in slots:
        d.text((ox + 22, oy + ny + 1), name, font=fnt, fill=(99, 174, 255) if name == 'Home' else link)
        d.text((ox + 22, oy + my + 1), number, font=fnt, fill=(99, 174, 255) if name == 'Home' else link)


def window(skin, lang='en'):
    desc = skin.desc
    W, H = desc['window']['size']
    pw, ph = desc['panel']['size']
    m = 8
    canvas = Image.new('RGB', (W + pw - 1 + 2 * m, H + 2 * m), DESKTOP)
    # the drawer lies under the window: draw it first, 35 pixels down, overlapping by one
    px, py = m + W - 1, m + 35
    canvas.paste(skin.panels[lang], (px, py))
    for ctrl in desc['controls']:
        if ctrl['on'] == desc['panel']['id']:
            _place(canvas, skin, ctrl, lang, (px, py))
    _panel_samples(canvas, skin, (px, py))
    main = _tiled(skin.body, (W, H))
    for ctrl in desc['controls']:
        if ctrl['on'] == desc['body']['id']:
            _place(main, skin, ctrl, lang, (0, 0))
    _samples(main, skin, (0, 0))
    region = rrect((W, H), (0, 0, W, H), desc['window']['corner'][0] / 2).point(lambda v: 255 if v >= 128 else 0)
    canvas.paste(main, (m, m), region)
    return canvas


def sheet(skin, scale=2):
    """Every face, English first and then its Chinese faces, in id order."""
    items = []
    for bid in sorted(skin.files):
        if bid in (skin.desc['body']['id'],):
            continue
        for lang in ('en', 'chs', 'cht'):
            if lang in skin.files[bid]:
                items.append((bid, lang, skin.files[bid][lang][1].convert('RGB')))
    items.sort(key=lambda it: (it[2].height > 100, it[0]))
    cols, cell_w = 8, 150
    rows = [items[i:i + cols] for i in range(0, len(items), cols)]
    heights = [max(img.height for _, _, img in row) * scale + 18 for row in rows]
    out = Image.new('RGB', (cols * cell_w, sum(heights)), (250, 250, 250))
    d = ImageDraw.Draw(out)
    lab = font(skin.desc['fonts']['sans'], 10)
    y = 0
    for row, rh in zip(rows, heights):
        for i, (bid, lang, img) in enumerate(row):
            x = i * cell_w
            big = img.resize((img.width * scale, img.height * scale), Image.NEAREST)
            out.paste(big, (x + 4, y + 14))
            d.text((x + 4, y + 1), '%d %s %dx%d' % (bid, lang, img.width, img.height), font=lab, fill=(0, 0, 0))
        y += rh
    return out
