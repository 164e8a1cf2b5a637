"""Tokenizer for ASN.1 module text (X.680 lexical items)."""

import re


class AsnError(Exception):
    """A problem in the module text or in what the generator supports."""


class Token:
    __slots__ = ("kind", "text", "line", "file")

    def __init__(self, kind, text, line, file):
        self.kind = kind  # 'id', 'num', 'cstring', 'bstring', 'hstring', 'field', 'punct', 'eof'
        self.text = text
        self.line = line
        self.file = file

    def __repr__(self):
        return "%s:%d %s %r" % (self.file, self.line, self.kind, self.text)


_PUNCT = ["::=", "...", "..", "[[", "]]", "{", "}", "(", ")", "[", "]", ",", ";", "|",
          "^", "<", ">", "@", "!", ".", ":", "-", "+", "*", "/", "=", "&"]

_ID_RE = re.compile(r"[A-Za-z][A-Za-z0-9]*(?:-[A-Za-z0-9]+)*")
_NUM_RE = re.compile(r"[0-9]+")


def tokenize(text, filename="<asn>"):
    tokens = []
    i = 0
    n = len(text)
    line = 1
    while i < n:
        c = text[i]
        if c == "\n":
            line += 1
            i += 1
            continue
        if c.isspace():
            i += 1
            continue
        # Comments: "--" to the next "--" or the end of the line; "/* */" blocks (nested).
        if text.startswith("--", i):
            j = i + 2
            while j < n and text[j] != "\n":
                if text.startswith("--", j):
                    j += 2
                    break
                j += 1
            i = j
            continue
        if text.startswith("/*", i):
            depth = 1
            j = i + 2
            while j < n and depth:
                if text.startswith("/*", j):
                    depth += 1
                    j += 2
                elif text.startswith("*/", j):
                    depth -= 1
                    j += 2
                else:
                    if text[j] == "\n":
                        line += 1
                    j += 1
            i = j
            continue
        if c == '"':
            j = i + 1
            buf = []
            while True:
                if j >= n:
                    raise AsnError("%s:%d: unterminated string" % (filename, line))
                if text[j] == '"':
                    if j + 1 < n and text[j + 1] == '"':
                        buf.append('"')
                        j += 2
                        continue
                    break
                if text[j] == "\n":
                    line += 1
                buf.append(text[j])
                j += 1
            tokens.append(Token("cstring", "".join(buf), line, filename))
            i = j + 1
            continue
        if c == "'":
            j = text.find("'", i + 1)
            if j < 0 or j + 1 >= n or text[j + 1] not in "BH":
                raise AsnError("%s:%d: bad bit/hex string" % (filename, line))
            body = re.sub(r"\s", "", text[i + 1:j])
            tokens.append(Token("bstring" if text[j + 1] == "B" else "hstring", body, line, filename))
            i = j + 2
            continue
        if c == "&":
            m = _ID_RE.match(text, i + 1)
            if not m:
                raise AsnError("%s:%d: bad field reference" % (filename, line))
            tokens.append(Token("field", "&" + m.group(0), line, filename))
            i = m.end()
            continue
        if c.isalpha():
            m = _ID_RE.match(text, i)
            word = m.group(0)
            # An identifier never ends in a hyphen and never holds "--" (a comment start).
            tokens.append(Token("id", word, line, filename))
            i = m.end()
            continue
        if c.isdigit():
            m = _NUM_RE.match(text, i)
            tokens.append(Token("num", m.group(0), line, filename))
            i = m.end()
            continue
        for p in _PUNCT:
            if text.startswith(p, i):
                tokens.append(Token("punct", p, line, filename))
                i += len(p)
                break
        else:
            raise AsnError("%s:%d: unexpected character %r" % (filename, line, c))
    tokens.append(Token("eof", "", line, filename))
    return tokens
