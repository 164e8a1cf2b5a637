#!/usr/bin/env python3
"""Resource compiler: turns the resource script (res/Varlo.res), a language's
translation file and the bitmap manifest into the C++ tables of one resource module
(platform/win/ResourceData.h).

    rescomp.py --script res/Varlo.res --out module.cpp --name English --kind executable
    rescomp.py --script res/Varlo.res --translation res/lang/zh_CN.txt --variant chs \
               --bitmaps res/bitmaps/bitmaps.txt --out china.cpp --name China --kind library

Script lines ('#' starts a comment, strings are double-quoted with C escapes):
    string <id> "<text>"
    icon <id> <png file>            cursor <id> <png file> hotspot <x> <y>
    menu <id> ... end               (popup "<text>" ... end, item <id> "<text>", separator)
    dialog <id> <x> <y> <cx> <cy> [caption "<text>"] [font <points> "<face>"] [flags] ... end
        <kind> <id> <x> <y> <cx> <cy> ["<text>"] [flags] [items "<a>" "<b>" ...] [image <id>]
Translation lines:
    string <id> "<text>"            text "<English>" "<translation>"       keep "<English>"
A language module must translate every string and every dialog and menu text, or keep it.
Bitmap manifest lines: <id> <file> [chs-file] [cht-file]; a missing manifest means none.
"""
import argparse
import os
import struct
import sys

# Window classes and base styles of the control kinds.
WS_CHILD, WS_VISIBLE, WS_TABSTOP, WS_GROUP = 0x40000000, 0x10000000, 0x00010000, 0x00020000
CONTROL_KINDS = {
    "ltext": ("STATIC", 0x0 | WS_GROUP),
    "ctext": ("STATIC", 0x1 | WS_GROUP),
    "rtext": ("STATIC", 0x2 | WS_GROUP),
    "icon": ("STATIC", 0x3),
    "picture": ("STATIC", 0xE),
    "pushbutton": ("BUTTON", 0x0 | WS_TABSTOP),
    "defpushbutton": ("BUTTON", 0x1 | WS_TABSTOP),
    "ownerdraw": ("BUTTON", 0xB | WS_TABSTOP),
    "checkbox": ("BUTTON", 0x3 | WS_TABSTOP),
    "radio": ("BUTTON", 0x9),
    "groupbox": ("BUTTON", 0x7),
    "edit": ("EDIT", 0x00800000 | WS_TABSTOP),
    "combobox": ("COMBOBOX", WS_TABSTOP),
    "listbox": ("LISTBOX", 0x00800000 | 0x1 | WS_TABSTOP),
    "listview": ("SysListView32", WS_TABSTOP),
    "slider": ("msctls_trackbar32", WS_TABSTOP),
    "progress": ("msctls_progress32", 0x00800000),
}
FLAGS = {
    "tabstop": WS_TABSTOP, "group": WS_GROUP, "disabled": 0x08000000, "border": 0x00800000,
    "vscroll": 0x00200000, "hscroll": 0x00100000, "multiline": 0x4, "password": 0x20,
    "autovscroll": 0x40, "autohscroll": 0x80, "readonly": 0x800, "wantreturn": 0x1000,
    "number": 0x2000, "noprefix": 0x80, "notify": 0x100, "centerimage": 0x200,
    "dropdown": 0x2, "dropdownlist": 0x3, "simple": 0x1, "sort": 0x100, "cbautohscroll": 0x40,
    "lbsort": 0x2, "lbnotify": 0x1, "nointegralheight": 0x100, "report": 0x1, "singlesel": 0x4,
    "showselalways": 0x8, "sortascending": 0x10, "autoarrange": 0x100, "noticks": 0x10,
    "bsnotify": 0x4000,
}
DIALOG_FLAGS = {
    "popup": 0x80000000, "child": WS_CHILD, "visible": WS_VISIBLE, "caption": 0x00C00000,
    "sysmenu": 0x00080000, "modalframe": 0x80, "center": 0x800, "3dlook": 0x4, "border": 0x00800000,
    "disabled": 0x08000000, "clipchildren": 0x02000000, "minimizebox": 0x00020000,
}
DIALOG_EX_FLAGS = {"appwindow": 0x00040000, "toolwindow": 0x80, "topmost": 0x8}
CONTROL_NOT_FLAGS = {"notabstop": WS_TABSTOP, "nogroup": WS_GROUP, "noborder": 0x00800000}
MF_POPUP, MF_SEPARATOR, MF_GRAYED = 0x10, 0x800, 0x1


class ScriptError(Exception):
    pass


def tokenize(line, where):
    tokens, i, n = [], 0, len(line)
    while i < n:
        c = line[i]
        if c.isspace():
            i += 1
        elif c == "#":
            break
        elif c == '"':
            i += 1
            out = []
            while True:
                if i >= n:
                    raise ScriptError(f"{where}: unterminated string")
                c = line[i]
                if c == '"':
                    i += 1
                    break
                if c == "\\":
                    i += 1
                    e = line[i] if i < n else ""
                    out.append({"n": "\n", "r": "\r", "t": "\t", '"': '"', "\\": "\\"}.get(e))
                    if out[-1] is None:
                        raise ScriptError(f"{where}: unknown escape \\{e}")
                    i += 1
                else:
                    out.append(c)
                    i += 1
            tokens.append(("str", "".join(out)))
        else:
            j = i
            while j < n and not line[j].isspace() and line[j] != '"':
                j += 1
            tokens.append(("word", line[i:j]))
            i = j
    return tokens


def number(tok, where):
    kind, value = tok
    if kind != "word":
        raise ScriptError(f"{where}: number expected, got {value!r}")
    try:
        return int(value, 0)
    except ValueError:
        raise ScriptError(f"{where}: number expected, got {value!r}") from None


def parse_script(path):
    strings, dialogs, menus, images = {}, {}, {}, []
    base = os.path.dirname(path)
    with open(path, encoding="utf-8") as f:
        lines = [(f"{path}:{n}", tokenize(l, f"{path}:{n}")) for n, l in enumerate(f, 1)]
    lines = [(w, t) for w, t in lines if t]
    pos = 0
    while pos < len(lines):
        where, t = lines[pos]
        pos += 1
        head = t[0][1]
        if head == "string":
            sid = number(t[1], where)
            if sid in strings:
                raise ScriptError(f"{where}: string {sid} defined twice")
            strings[sid] = t[2][1]
        elif head in ("icon", "cursor"):
            rid = number(t[1], where)
            hot = (0, 0)
            if head == "cursor" and len(t) >= 6 and t[3][1] == "hotspot":
                hot = (number(t[4], where), number(t[5], where))
            images.append((rid, 1 if head == "icon" else 2, os.path.join(base, t[2][1]), hot))
        elif head == "menu":
            mid = number(t[1], where)
            items, depth = [], 0
            while True:
                if pos >= len(lines):
                    raise ScriptError(f"{where}: menu {mid} has no end")
                w2, t2 = lines[pos]
                pos += 1
                word = t2[0][1]
                if word == "end":
                    if depth == 0:
                        break
                    depth -= 1
                elif word == "popup":
                    items.append((depth, MF_POPUP, 0, t2[1][1]))
                    depth += 1
                elif word == "item":
                    flags = MF_GRAYED if any(x[1] == "grayed" for x in t2[3:]) else 0
                    items.append((depth, flags, number(t2[1], w2), t2[2][1]))
                elif word == "separator":
                    items.append((depth, MF_SEPARATOR, 0, ""))
                else:
                    raise ScriptError(f"{w2}: unknown menu line {word!r}")
            menus[mid] = items
        elif head == "dialog":
            did = number(t[1], where)
            x, y, cx, cy = (number(tok, where) for tok in t[2:6])
            caption, face, points, style, ex = "", "MS Sans Serif", 8, 0, 0
            i = 6
            while i < len(t):
                word = t[i][1]
                if word == "caption":
                    caption = t[i + 1][1]
                    i += 2
                elif word == "font":
                    points, face = number(t[i + 1], where), t[i + 2][1]
                    i += 3
                elif word in DIALOG_FLAGS:
                    style |= DIALOG_FLAGS[word]
                    i += 1
                elif word in DIALOG_EX_FLAGS:
                    ex |= DIALOG_EX_FLAGS[word]
                    i += 1
                else:
                    raise ScriptError(f"{where}: unknown dialog flag {word!r}")
            if caption:
                style |= DIALOG_FLAGS["caption"]
            controls = []
            while True:
                if pos >= len(lines):
                    raise ScriptError(f"{where}: dialog {did} has no end")
                w2, t2 = lines[pos]
                pos += 1
                kind = t2[0][1]
                if kind == "end":
                    break
                if kind not in CONTROL_KINDS:
                    raise ScriptError(f"{w2}: unknown control kind {kind!r}")
                cls, cstyle = CONTROL_KINDS[kind]
                cstyle |= WS_VISIBLE
                cid = number(t2[1], w2)
                cx_, cy_, cw, ch = (number(tok, w2) for tok in t2[2:6])
                text, items, image, cex = "", [], 0, 0
                i = 6
                if i < len(t2) and t2[i][0] == "str":
                    text = t2[i][1]
                    i += 1
                while i < len(t2):
                    word = t2[i][1]
                    if word == "items":
                        i += 1
                        while i < len(t2) and t2[i][0] == "str":
                            items.append(t2[i][1])
                            i += 1
                    elif word == "image":
                        image = number(t2[i + 1], w2)
                        i += 2
                    elif word == "hidden":
                        cstyle &= ~WS_VISIBLE
                        i += 1
                    elif word == "clientedge":
                        cex |= 0x200
                        i += 1
                    elif word in CONTROL_NOT_FLAGS:
                        cstyle &= ~CONTROL_NOT_FLAGS[word]
                        i += 1
                    elif word in FLAGS:
                        cstyle |= FLAGS[word]
                        i += 1
                    else:
                        raise ScriptError(f"{w2}: unknown control flag {word!r}")
                controls.append(dict(cls=cls, text=text, id=cid, x=cx_, y=cy_, cx=cw, cy=ch,
                                     style=cstyle, ex=cex, items=items, image=image))
            dialogs[did] = dict(x=x, y=y, cx=cx, cy=cy, caption=caption, face=face, points=points,
                                style=style, ex=ex, controls=controls)
        else:
            raise ScriptError(f"{where}: unknown line {head!r}")
    return strings, dialogs, menus, images


def parse_translation(path):
    strings, texts, keep = {}, {}, set()
    with open(path, encoding="utf-8") as f:
        for n, line in enumerate(f, 1):
            where = f"{path}:{n}"
            t = tokenize(line, where)
            if not t:
                continue
            head = t[0][1]
            if head == "string":
                strings[number(t[1], where)] = t[2][1]
            elif head == "text":
                texts[t[1][1]] = t[2][1]
            elif head == "keep":
                keep.add(t[1][1])
            else:
                raise ScriptError(f"{where}: unknown line {head!r}")
    return strings, texts, keep


def translate(strings, dialogs, menus, translation):
    tstrings, texts, keep = translation
    missing = []
    out_strings = {}
    for sid, text in strings.items():
        if sid in tstrings:
            out_strings[sid] = tstrings[sid]
        else:
            missing.append(f"string {sid}")
            out_strings[sid] = text

    def tr(text):
        if not text.strip() or text in keep:
            return text
        if text in texts:
            return texts[text]
        missing.append(f"text {text!r}")
        return text

    out_dialogs = {}
    for did, d in dialogs.items():
        d = dict(d, caption=tr(d["caption"]))
        d["controls"] = [dict(c, text=tr(c["text"]) if c["cls"] != "EDIT" else c["text"],
                              items=[tr(i) for i in c["items"]]) for c in d["controls"]]
        out_dialogs[did] = d
    out_menus = {mid: [(dp, fl, i, tr(txt)) for dp, fl, i, txt in items] for mid, items in menus.items()}
    if missing:
        raise ScriptError("untranslated: " + "; ".join(missing))
    return out_strings, out_dialogs, out_menus


def image_info(path):
    """Width, height and bits per pixel of a PNG or BMP file."""
    with open(path, "rb") as f:
        head = f.read(32)
    if head[:8] == b"\x89PNG\r\n\x1a\n":
        width, height, depth, colour = struct.unpack(">IIBB", head[16:26])
        channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}.get(colour, 3)
        return width, height, depth * channels
    if head[:2] == b"BM":
        width, height = struct.unpack("<ii", head[18:26])
        bpp = struct.unpack("<H", head[28:30])[0]
        return width, abs(height), bpp
    raise ScriptError(f"{path}: neither PNG nor BMP")


def parse_manifest(path, variant):
    bitmaps = []
    if not path or not os.path.exists(path):
        return bitmaps
    base = os.path.dirname(path)
    column = {"chs": 2, "cht": 3}.get(variant, 1)
    with open(path, encoding="utf-8") as f:
        for n, line in enumerate(f, 1):
            words = line.split("#", 1)[0].split()
            if not words:
                continue
            if len(words) < 2:
                raise ScriptError(f"{path}:{n}: '<id> <file> [chs-file] [cht-file]' expected")
            name = words[column] if len(words) > column and words[column] != "-" else words[1]
            bitmaps.append((int(words[0], 0), 0, os.path.join(base, name), (0, 0)))
    return bitmaps


def c_string(text):
    out = ['"']
    for b in text.encode("utf-8"):
        c = chr(b)
        if c == '"' or c == "\\":
            out.append("\\" + c)
        elif b < 0x20 or b == 0x7F:
            out.append("\\%03o" % b)
        elif b == 0x3F:  # avoid trigraph-looking sequences
            out.append("\\077")
        elif b >= 0x80:
            out.append("\\%03o" % b)
        else:
            out.append(c)
    out.append('"')
    return "".join(out)


def generate(name, kind, strings, dialogs, menus, images):
    sym = "varlo_res_" + "".join(ch if ch.isalnum() else "_" for ch in name)
    o = ["// Generated by tools/rescomp/rescomp.py from res/; do not edit.",
         '#include "platform/win/ResourceData.h"']
    if kind == "executable":
        o.append('#include "platform/win/Resources.h"')
    o.append("")
    # Image files go in as they are, through the assembler.
    for n, (rid, ikind, path, hot) in enumerate(images):
        label = f"{sym}_image{n}"
        apath = os.path.abspath(path).replace("\\", "\\\\").replace('"', '\\"')
        o.append(f'__asm__(".section .rodata\\n.balign 16\\n.globl {label}\\n.hidden {label}\\n{label}:\\n'
                 f'.incbin \\"{apath}\\"\\n.byte 0\\n.previous\\n");')
        o.append(f'extern "C" const unsigned char {label}[];')
    o.append("")
    o.append("namespace {")
    o.append("using namespace varlo::res;")
    o.append("const StringEntry kStrings[] = {")
    for sid in sorted(strings):
        o.append(f"    {{{sid}, {c_string(strings[sid])}}},")
    o.append("    {0, nullptr}};")
    for did in sorted(dialogs):
        d = dialogs[did]
        for n, c in enumerate(d["controls"]):
            if c["items"]:
                o.append(f"const char* const kItems{did}_{n}[] = {{" +
                         ", ".join(c_string(i) for i in c["items"]) + ", nullptr};")
        o.append(f"const ControlEntry kControls{did}[] = {{")
        for n, c in enumerate(d["controls"]):
            items = f"kItems{did}_{n}" if c["items"] else "nullptr"
            o.append(f'    {{"{c["cls"]}", {c_string(c["text"])}, {c["id"]}, {c["x"]}, {c["y"]}, {c["cx"]}, '
                     f'{c["cy"]}, 0x{c["style"]:08X}u, 0x{c["ex"]:X}u, {items}, {c["image"]}}},')
        if not d["controls"]:
            o.append('    {"STATIC", "", 0, 0, 0, 0, 0, 0u, 0u, nullptr, 0},')
        o.append("};")
    o.append("const DialogEntry kDialogs[] = {")
    for did in sorted(dialogs):
        d = dialogs[did]
        count = len(d["controls"])
        o.append(f'    {{{did}, 0x{d["style"]:08X}u, 0x{d["ex"]:X}u, {d["x"]}, {d["y"]}, {d["cx"]}, {d["cy"]}, '
                 f'{c_string(d["caption"])}, {c_string(d["face"])}, {d["points"]}, kControls{did}, {count}}},')
    o.append("    {0, 0u, 0u, 0, 0, 0, 0, nullptr, nullptr, 0, nullptr, 0}};")
    for mid in sorted(menus):
        o.append(f"const MenuItemEntry kMenu{mid}[] = {{")
        for depth, flags, iid, text in menus[mid]:
            o.append(f"    {{{depth}, 0x{flags:X}u, {iid}u, {c_string(text)}}},")
        o.append("};")
    o.append("const MenuEntry kMenus[] = {")
    for mid in sorted(menus):
        o.append(f"    {{{mid}, kMenu{mid}, {len(menus[mid])}}},")
    o.append("    {0, nullptr, 0}};")
    o.append("const ImageEntry kImages[] = {")
    for n, (rid, ikind, path, hot) in enumerate(images):
        w, h, bpp = image_info(path)
        size = os.path.getsize(path)
        o.append(f"    {{{rid}, {ikind}, {w}, {h}, {bpp}, {hot[0]}, {hot[1]}, {sym}_image{n}, {size}u}},")
    o.append("    {0, 0, 0, 0, 0, 0, 0, nullptr, 0u}};")
    o.append(f"const ModuleData kModule{{kModuleMagic, kModuleVersion, {c_string(name)}, kStrings, "
             f"{len(strings)}, kDialogs, {len(dialogs)}, kMenus, {len(menus)}, kImages, {len(images)}}};")
    o.append("}  // namespace")
    o.append("")
    if kind == "executable":
        o.append("// The executable's own resources, in force from static initialisation on.")
        o.append(f"const bool {sym}_registered = (varlo::win::SetExecutableResources(&kModule), true);")
    else:
        o.append('extern "C" __attribute__((visibility("default"))) const varlo::res::ModuleData* '
                 "VarloResourceModule() {")
        o.append("  return &kModule;")
        o.append("}")
    return "\n".join(o) + "\n"


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--script", required=True)
    ap.add_argument("--translation")
    ap.add_argument("--bitmaps")
    ap.add_argument("--variant", default="en", choices=["en", "chs", "cht"])
    ap.add_argument("--name", required=True)
    ap.add_argument("--kind", required=True, choices=["executable", "library"])
    ap.add_argument("--out", required=True)
    args = ap.parse_args()
    try:
        strings, dialogs, menus, images = parse_script(args.script)
        if args.translation:
            strings, dialogs, menus = translate(strings, dialogs, menus, parse_translation(args.translation))
        images = images + parse_manifest(args.bitmaps, args.variant)
        seen = set()
        for rid, kind, path, _ in images:
            if (rid, kind) in seen:
                raise ScriptError(f"image {rid} given twice")
            seen.add((rid, kind))
            if not os.path.exists(path):
                raise ScriptError(f"{path}: missing")
        text = generate(args.name, args.kind, strings, dialogs, menus, images)
    except ScriptError as e:
        print(f"rescomp: {e}", file=sys.stderr)
        return 1
    tmp = args.out + ".tmp"
    with open(tmp, "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(tmp, args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
