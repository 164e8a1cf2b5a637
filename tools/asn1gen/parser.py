"""Recursive-descent parser for the subset of X.680/X.681/X.682/X.683 that the H.323
family of modules uses. Information-object constructs are recognised and, where PER does
not look at them, skipped."""

from lexer import AsnError, Token, tokenize
import model as m

BUILTIN_SIMPLE = {
    "BOOLEAN", "NULL", "REAL", "EXTERNAL", "ObjectDescriptor", "UTCTime", "GeneralizedTime",
    "IA5String", "NumericString", "PrintableString", "VisibleString", "ISO646String",
    "TeletexString", "T61String", "VideotexString", "GraphicString", "GeneralString",
    "UniversalString", "BMPString", "UTF8String", "RELATIVE-OID",
}
TYPE_KEYWORDS = BUILTIN_SIMPLE | {"INTEGER", "ENUMERATED", "BIT", "OCTET", "OBJECT", "SEQUENCE",
                                  "SET", "CHOICE", "CHARACTER", "ANY", "TYPE-IDENTIFIER"}
VALUE_KEYWORDS = {"TRUE", "FALSE", "NULL", "MIN", "MAX", "PLUS-INFINITY", "MINUS-INFINITY"}


def _is_class_name(text):
    """objectclassreferences are written in upper-case letters, digits and hyphens only."""
    return (text[0].isupper() and all(ch.isupper() or ch.isdigit() or ch == "-" for ch in text)
            and text not in TYPE_KEYWORDS)


class Parser:
    def __init__(self, tokens):
        self.toks = tokens
        self.pos = 0

    # ------------------------------------------------------------------ helpers
    def peek(self, k=0):
        return self.toks[min(self.pos + k, len(self.toks) - 1)]

    def at(self, text, k=0):
        t = self.peek(k)
        return t.kind in ("id", "punct") and t.text == text

    def next(self):
        t = self.peek()
        if t.kind == "eof":
            raise self.error("unexpected end of text")
        self.pos += 1
        return t

    def accept(self, text):
        if self.at(text):
            self.pos += 1
            return True
        return False

    def expect(self, text):
        if not self.at(text):
            raise self.error("expected %r, found %r" % (text, self.peek().text))
        return self.next()

    def expect_id(self):
        t = self.peek()
        if t.kind != "id":
            raise self.error("expected an identifier, found %r" % t.text)
        return self.next().text

    def error(self, msg):
        t = self.peek()
        return AsnError("%s:%d: %s" % (t.file, t.line, msg))

    def skip_balanced(self):
        """Skips one bracketed group starting at the current '{', '(' or '['."""
        pairs = {"{": "}", "(": ")", "[": "]", "[[": "]]"}
        start = self.next()
        stack = [pairs[start.text]]
        collected = []
        while stack:
            t = self.next()
            if t.kind == "punct" and t.text in pairs:
                stack.append(pairs[t.text])
            elif t.kind == "punct" and t.text == stack[-1]:
                stack.pop()
                if not stack:
                    break
            elif t.kind == "punct" and t.text == "]]" and stack[-1] == "]" and \
                    len(stack) >= 2 and stack[-2] == "]":
                stack.pop()  # "]]" closing two optional groups of a WITH SYNTAX list
                stack.pop()
                if not stack:
                    break
            collected.append(t)
        return collected

    def skip_to_close_paren(self):
        """Skips to (and over) the ')' that closes the current constraint."""
        depth = 0
        while True:
            t = self.next()
            if t.kind == "punct" and t.text in ("(", "{", "["):
                depth += 1
            elif t.kind == "punct" and t.text in (")", "}", "]"):
                if depth == 0:
                    if t.text != ")":
                        raise self.error("unbalanced constraint")
                    return
                depth -= 1

    def split_commas(self, tokens):
        parts, cur, depth = [], [], 0
        for t in tokens:
            if t.kind == "punct" and t.text in ("{", "(", "["):
                depth += 1
            elif t.kind == "punct" and t.text in ("}", ")", "]"):
                depth -= 1
            if depth == 0 and t.kind == "punct" and t.text == ",":
                parts.append(cur)
                cur = []
            else:
                cur.append(t)
        if cur:
            parts.append(cur)
        return parts

    # ------------------------------------------------------------------ modules
    def parse_modules(self, filename):
        modules = []
        while self.peek().kind != "eof":
            modules.append(self.parse_module(filename))
        return modules

    def parse_module(self, filename):
        name = self.expect_id()
        if self.at("{"):
            self.skip_balanced()
        self.expect("DEFINITIONS")
        tag_default = "EXPLICIT"
        if self.peek().text in ("EXPLICIT", "IMPLICIT", "AUTOMATIC") and self.at("TAGS", 1):
            tag_default = self.next().text
            self.next()
        if self.accept("EXTENSIBILITY"):
            self.expect("IMPLIED")
            raise self.error("EXTENSIBILITY IMPLIED is not supported")
        self.expect("::=")
        self.expect("BEGIN")
        mod = m.Module(name, tag_default, filename)
        while True:
            if self.accept("EXPORTS"):
                while not self.accept(";"):
                    self.next()
            elif self.at("IMPORTS"):
                self.parse_imports(mod)
            else:
                break
        while not self.accept("END"):
            a = self.parse_assignment(mod)
            if a.name in mod.assignments:
                raise self.error("%s defined twice in %s" % (a.name, name))
            mod.assignments[a.name] = a
            mod.order.append(a.name)
        return mod

    def parse_imports(self, mod):
        self.expect("IMPORTS")
        pending = []
        while not self.accept(";"):
            if self.accept("FROM"):
                src = self.expect_id()
                if self.at("{"):
                    self.skip_balanced()
                for s in pending:
                    mod.imports[s] = src
                pending = []
                continue
            if self.accept(","):
                continue
            sym = self.expect_id()
            if self.at("{") and self.at("}", 1):
                self.next()
                self.next()
            pending.append(sym)
        if pending:
            raise self.error("imported symbols without FROM")

    # ------------------------------------------------------------------ assignments
    def parse_params(self):
        toks = self.skip_balanced()
        params = []
        for part in self.split_commas(toks):
            colon = [i for i, t in enumerate(part) if t.kind == "punct" and t.text == ":"]
            if colon:
                params.append(m.Parameter(part[-1].text, part[:colon[0]]))
            else:
                params.append(m.Parameter(part[-1].text, None))
        return params

    def parse_assignment(self, mod):
        start = self.peek()
        name = self.expect_id()
        params = self.parse_params() if self.at("{") else None
        if self.accept("::="):
            if self.at("CLASS"):
                return self.parse_class(name)
            t = m.TypeAssignment(name, params, self.parse_type())
            t.loc = (start.file, start.line)
            return t
        # A governor precedes "::=": a value, value set, object or object set assignment.
        gov_start = self.pos
        while not self.at("::="):
            if self.at("{"):
                self.skip_balanced()
            else:
                self.next()
        gov_tokens = self.toks[gov_start:self.pos]
        self.expect("::=")
        is_class = len(gov_tokens) == 1 and _is_class_name(gov_tokens[0].text)
        if is_class or params is not None:
            if self.at("{"):
                self.skip_balanced()
            else:
                self.parse_value()
            return m.OtherAssignment(name)
        governor = Parser(gov_tokens + [Token("eof", "", start.line, start.file)]).parse_type()
        if name[0].isupper():
            self.expect("{")
            specs = self.parse_element_set_specs()
            self.expect("}")
            return m.ValueSetAssignment(name, governor, specs)
        return m.ValueAssignment(name, governor, self.parse_value())

    def parse_class(self, name):
        self.expect("CLASS")
        body = self.skip_balanced()
        fields = {}
        for part in self.split_commas(body):
            if not part or part[0].kind != "field":
                raise self.error("bad field in CLASS %s" % name)
            fname = part[0].text
            rest = part[1:]
            # Strip the trailing UNIQUE / OPTIONAL / DEFAULT value.
            for i, t in enumerate(rest):
                if t.kind == "id" and t.text in ("UNIQUE", "OPTIONAL", "DEFAULT"):
                    rest = rest[:i]
                    break
            if not rest:
                fields[fname] = None             # a type field: an open type
            elif rest[0].kind == "id" and _is_class_name(rest[0].text) and len(rest) == 1:
                fields[fname] = "objectset"
            elif fname[1].isupper():
                fields[fname] = "valueset"
            else:
                eof = Token("eof", "", rest[0].line, rest[0].file)
                fields[fname] = Parser(rest + [eof]).parse_type()
        if self.accept("WITH"):
            self.expect("SYNTAX")
            self.skip_balanced()
        return m.ClassAssignment(name, fields)

    # ------------------------------------------------------------------ types
    def parse_type(self):
        start = self.peek()
        tag = None
        if self.at("["):
            self.next()
            cls = "CONTEXT"
            if self.peek().text in ("UNIVERSAL", "APPLICATION", "PRIVATE"):
                cls = self.next().text
            num = self.next()
            if num.kind != "num":
                raise self.error("tag numbers must be literal")
            self.expect("]")
            mode = None
            if self.peek().text in ("IMPLICIT", "EXPLICIT"):
                mode = self.next().text
            tag = (cls, int(num.text), mode)
        t = self.parse_type_core()
        t.loc = (start.file, start.line)
        if tag is not None:
            if t.tag is not None:
                raise self.error("double tagging is not supported")
            t.tag = tag
        while self.at("("):
            t.constraints.append(self.parse_constraint())
        return t

    def parse_type_core(self):
        t = self.peek()
        if t.kind != "id":
            raise self.error("expected a type, found %r" % t.text)
        w = t.text
        if w in BUILTIN_SIMPLE:
            self.next()
            return m.Builtin(w)
        if w == "INTEGER":
            self.next()
            b = m.Builtin("INTEGER")
            if self.at("{"):
                b.named = self.parse_named_numbers()
            return b
        if w == "BIT":
            self.next()
            self.expect("STRING")
            b = m.Builtin("BIT STRING")
            if self.at("{"):
                b.named = self.parse_named_numbers()
            return b
        if w == "OCTET":
            self.next()
            self.expect("STRING")
            return m.Builtin("OCTET STRING")
        if w == "OBJECT":
            self.next()
            self.expect("IDENTIFIER")
            return m.Builtin("OBJECT IDENTIFIER")
        if w == "CHARACTER":
            self.next()
            self.expect("STRING")
            return m.Builtin("CHARACTER STRING")
        if w == "ENUMERATED":
            self.next()
            return self.parse_enumerated()
        if w in ("SEQUENCE", "SET"):
            self.next()
            if self.at("{"):
                return self.parse_sequence(w)
            size = None
            if self.at("SIZE"):
                self.next()
                size = m.Constraint(m.ElementSetSpecs(m.SizeElement(self.parse_constraint())))
            elif self.at("("):
                size = self.parse_constraint()
            self.expect("OF")
            # An element may be named: SEQUENCE OF name Type.
            if self.peek().kind == "id" and self.peek().text[0].islower() and not self.at("<", 1):
                self.next()
            return m.SequenceOf(w, self.parse_type(), size)
        if w == "CHOICE":
            self.next()
            return self.parse_choice()
        if w == "ANY":
            raise self.error("ANY is not supported")
        if (w == "TYPE-IDENTIFIER" or _is_class_name(w)) and self.at(".", 1) and \
                self.peek(2).kind == "field":
            self.next()
            fields = []
            while self.accept("."):
                f = self.next()
                if f.kind != "field":
                    raise self.error("expected a field name")
                fields.append(f.text)
            return m.ClassField(w, fields)
        if w[0].islower() and self.at("<", 1):
            self.next()
            self.next()
            return m.Selection(w, self.parse_type())
        self.next()
        module = None
        if self.at(".") and self.peek(1).kind == "id":
            self.next()
            module, w = w, self.next().text
        actuals = None
        if self.at("{"):
            toks = self.skip_balanced()
            actuals = [m.Actual(p) for p in self.split_commas(toks)]
        return m.Reference(w, module, actuals)

    def parse_named_numbers(self):
        self.expect("{")
        items = []
        while True:
            name = self.expect_id()
            self.expect("(")
            items.append((name, self.parse_value()))
            self.expect(")")
            if self.accept("}"):
                return items
            self.expect(",")

    def parse_enumerated(self):
        e = m.Enumerated()
        self.expect("{")
        target = e.root
        while True:
            if self.accept("..."):
                if e.extensible:
                    raise self.error("two extension markers in ENUMERATED")
                e.extensible = True
                if self.at("!"):
                    self.skip_exception()
                target = e.additions
            else:
                name = self.expect_id()
                val = None
                if self.accept("("):
                    val = self.parse_value()
                    self.expect(")")
                target.append((name, val))
            if self.accept("}"):
                return e
            self.expect(",")

    def skip_exception(self):
        self.expect("!")
        # ExceptionSpec: a signed number, a value reference, or Type : Value.
        if self.at("-"):
            self.next()
        self.next()
        if self.accept(":"):
            self.parse_value()

    def parse_component_list(self, allow_optional):
        """Returns a list of Component, ExtensionGroup and the marker '...'."""
        self.expect("{")
        items = []
        if self.accept("}"):
            return items
        while True:
            if self.accept("..."):
                if self.at("!"):
                    self.skip_exception()
                items.append("...")
            elif self.accept("[["):
                version = None
                if self.peek().kind == "num" and self.at(":", 1):
                    version = int(self.next().text)
                    self.next()
                comps = []
                while True:
                    comps.append(self.parse_component(allow_optional))
                    if self.accept("]]"):
                        break
                    self.expect(",")
                items.append(m.ExtensionGroup(version, comps))
            elif self.at("COMPONENTS"):
                raise self.error("COMPONENTS OF is not supported")
            else:
                items.append(self.parse_component(allow_optional))
            if self.accept("}"):
                return items
            self.expect(",")

    def parse_component(self, allow_optional):
        name = self.expect_id()
        if not name[0].islower():
            raise self.error("component names begin with a lower-case letter: %s" % name)
        c = m.Component(name, self.parse_type())
        if allow_optional:
            if self.accept("OPTIONAL"):
                c.optional = True
            elif self.accept("DEFAULT"):
                c.default = self.parse_value()
        return c

    @staticmethod
    def _split_markers(items, what, err):
        parts = [[]]
        for it in items:
            if it == "...":
                parts.append([])
            else:
                parts[-1].append(it)
        if len(parts) > 3:
            raise err("more than two extension markers in %s" % what)
        return parts

    def parse_sequence(self, kind):
        s = m.Sequence(kind)
        items = self.parse_component_list(True)
        parts = self._split_markers(items, kind, self.error)
        s.root = parts[0]
        if any(isinstance(c, m.ExtensionGroup) for c in s.root):
            raise self.error("extension group in the root of a %s" % kind)
        if len(parts) >= 2:
            s.extensible = True
            s.additions = parts[1]
        if len(parts) == 3:
            s.root2 = parts[2]
        return s

    def parse_choice(self):
        c = m.Choice()
        items = self.parse_component_list(False)
        parts = self._split_markers(items, "CHOICE", self.error)
        if len(parts) == 3:
            raise self.error("a CHOICE has at most one extension marker")
        c.root = parts[0]
        if len(parts) == 2:
            c.extensible = True
            c.additions = parts[1]
        return c

    # ------------------------------------------------------------------ constraints
    def parse_constraint(self):
        self.expect("(")
        t = self.peek()
        if (t.kind == "punct" and t.text == "{") or t.text in ("CONSTRAINED", "WITH", "CONTAINING",
                                                               "ENCODED", "PATTERN"):
            self.skip_to_close_paren()
            return m.Constraint(None)
        specs = self.parse_element_set_specs()
        if self.at("!"):
            self.skip_to_close_paren()
            return m.Constraint(specs)
        self.expect(")")
        return m.Constraint(specs)

    def parse_element_set_specs(self):
        if self.accept("..."):
            add = None
            if self.accept(","):
                add = self.parse_element_set()
            return m.ElementSetSpecs(None, True, add)
        root = self.parse_element_set()
        ext, add = False, None
        if self.at(",") and self.at("...", 1):
            self.next()
            self.next()
            ext = True
            if self.accept(","):
                add = self.parse_element_set()
        return m.ElementSetSpecs(root, ext, add)

    def parse_element_set(self):
        if self.at("ALL") and self.at("EXCEPT", 1):
            self.next()
            self.next()
            return m.Except(None, self.parse_elements())
        items = [self.parse_intersections()]
        while self.at("|") or self.at("UNION"):
            self.next()
            items.append(self.parse_intersections())
        return items[0] if len(items) == 1 else m.Union(items)

    def parse_intersections(self):
        items = [self.parse_intersection_element()]
        while self.at("^") or self.at("INTERSECTION"):
            self.next()
            items.append(self.parse_intersection_element())
        return items[0] if len(items) == 1 else m.Intersection(items)

    def parse_intersection_element(self):
        e = self.parse_elements()
        if self.accept("EXCEPT"):
            return m.Except(e, self.parse_elements())
        return e

    def parse_elements(self):
        t = self.peek()
        if self.at("("):
            self.next()
            specs = self.parse_element_set_specs()
            self.expect(")")
            return m.NestedElement(specs)
        if t.text == "SIZE" and t.kind == "id":
            self.next()
            return m.SizeElement(self.parse_constraint())
        if t.text == "FROM" and t.kind == "id":
            self.next()
            return m.FromElement(self.parse_constraint())
        if t.text == "INCLUDES" and t.kind == "id":
            self.next()
            return m.TypeElement(self.parse_type())
        if t.text == "WITH" and t.kind == "id":
            self.next()
            self.next()  # COMPONENT or COMPONENTS
            if self.at("{"):
                self.skip_balanced()
            else:
                self.parse_constraint()
            return m.Invisible()
        if t.text == "PATTERN" and t.kind == "id":
            self.next()
            self.parse_value()
            return m.Invisible()
        if t.text == "CONTAINING" and t.kind == "id":
            self.next()
            self.parse_type()
            return m.Invisible()
        if t.kind == "id" and t.text[0].isupper() and t.text not in VALUE_KEYWORDS and \
                not (self.at(".", 1) and self.peek(2).kind == "id" and self.peek(2).text[0].islower()):
            return m.TypeElement(self.parse_type())
        lo_open = hi_open = False
        lo = self.parse_value()
        if self.at("<") and (self.at("..", 1)):
            self.next()
            lo_open = True
        if self.accept(".."):
            if self.accept("<"):
                hi_open = True
            hi = self.parse_value()
            return m.ValueRange(lo, hi, lo_open, hi_open)
        return m.SingleValue(lo)

    # ------------------------------------------------------------------ values
    def parse_value(self):
        t = self.peek()
        if t.kind == "num":
            self.next()
            return m.IntValue(int(t.text))
        if t.kind == "punct" and t.text == "-":
            self.next()
            n = self.next()
            if n.kind != "num":
                raise self.error("expected a number after '-'")
            return m.IntValue(-int(n.text))
        if t.kind == "cstring":
            self.next()
            return m.StrValue(t.text)
        if t.kind in ("bstring", "hstring"):
            self.next()
            return m.BitsValue(t.kind, t.text)
        if t.kind == "punct" and t.text == "{":
            return m.BracedValue(self.skip_balanced())
        if t.kind == "id":
            if t.text in VALUE_KEYWORDS:
                self.next()
                return m.SpecialValue(t.text)
            self.next()
            if t.text[0].islower() and self.accept(":"):
                return m.ChoiceValue(t.text, self.parse_value())
            if t.text[0].isupper() and self.at(".") and self.peek(1).kind == "id":
                self.next()
                return m.RefValue(self.next().text, t.text)
            return m.RefValue(t.text)
        raise self.error("expected a value, found %r" % t.text)


def parse_file(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    return Parser(tokenize(text, path)).parse_modules(path)


def parse_tokens(tokens):
    """A parser over a token list (actual parameters), terminated for safety."""
    last = tokens[-1] if tokens else Token("eof", "", 0, "<param>")
    return Parser(list(tokens) + [Token("eof", "", last.line, last.file)])
