"""Resolves parsed modules into the types the code generator emits: references followed,
parameterized types instantiated, effective PER-visible constraints computed, inline
types named, and one ClassDef made for every C++ class to generate."""

import copy

import model as m
from constraints import Dims, IntSet
from lexer import AsnError
from parser import parse_tokens

UNIVERSAL_TAGS = {
    "BOOLEAN": 1, "INTEGER": 2, "BIT STRING": 3, "OCTET STRING": 4, "NULL": 5,
    "OBJECT IDENTIFIER": 6, "ObjectDescriptor": 7, "EXTERNAL": 8, "REAL": 9, "ENUMERATED": 10,
    "UTF8String": 12, "RELATIVE-OID": 13, "SEQUENCE": 16, "SET": 17, "NumericString": 18,
    "PrintableString": 19, "TeletexString": 20, "T61String": 20, "VideotexString": 21,
    "IA5String": 22, "UTCTime": 23, "GeneralizedTime": 24, "GraphicString": 25,
    "VisibleString": 26, "ISO646String": 26, "GeneralString": 27, "UniversalString": 28,
    "BMPString": 30,
}

CHAR_KINDS = {"IA5String": "IA5String", "NumericString": "NumericString",
              "PrintableString": "PrintableString", "VisibleString": "VisibleString",
              "ISO646String": "VisibleString"}
OCTET_LIKE_STRINGS = {"GeneralString", "GraphicString", "ObjectDescriptor", "UTF8String",
                      "TeletexString", "T61String", "VideotexString", "UTCTime",
                      "GeneralizedTime"}

NUMERIC_ALPHABET = " 0123456789"
PRINTABLE_ALPHABET = (" '()+,-./0123456789:=?ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                      "abcdefghijklmnopqrstuvwxyz")


def canonical_alphabet(kind):
    if kind == "IA5String":
        return "".join(chr(c) for c in range(128))
    if kind == "VisibleString":
        return "".join(chr(c) for c in range(32, 127))
    if kind == "NumericString":
        return NUMERIC_ALPHABET
    if kind == "PrintableString":
        return PRINTABLE_ALPHABET
    raise AsnError("no alphabet for %s" % kind)


def sanitize(name):
    return name.replace("-", "_")


# ----------------------------------------------------------------------------- resolved types

class RType:
    """A resolved type. Constraints are the effective PER-visible ones."""

    def __init__(self, kind):
        self.kind = kind  # BOOLEAN NULL INTEGER ENUMERATED BITSTRING OCTETSTRING OID CHARSTRING
        #                   BMPSTRING GENERALSTRING OPENTYPE SEQUENCE CHOICE SEQOF
        self.lb = None    # INTEGER range
        self.ub = None
        self.ext = False
        self.size = None  # (lb, ub or None, ext) for strings and SEQUENCE OF
        self.alpha = None           # sorted permitted alphabet (CHARSTRING), None: the kind's own
        self.string_kind = None     # IA5String, NumericString, ...
        self.named = []             # INTEGER named numbers [(name, value)]
        self.enum_root = []         # ENUMERATED [(name, value)] by ascending value
        self.enum_ext = False
        self.enum_additions = []
        self.fields = []            # SEQUENCE: [RField]; CHOICE: [RField] by tag
        self.extensible = False     # SEQUENCE / CHOICE extension marker
        self.root_count = 0
        self.addition_count = 0
        self.element = None         # SEQOF element RType
        self.cls = None             # the ClassDef whose class holds values of this type
        self.hint = None            # the class name an inline type gets
        self.prefix = None          # the header group an inline class goes to
        self.fresh = True           # made here (not a shared named type)
        self.tag = None             # outermost tag, for CHOICE ordering

    def constraint_key(self):
        """What the use site may have to set on top of the class's own constraints."""
        if self.kind == "INTEGER":
            return ("int", self.lb, self.ub, self.ext)
        if self.kind in ("OCTETSTRING", "BITSTRING", "BMPSTRING", "SEQOF"):
            return ("size", self.size)
        if self.kind == "CHARSTRING":
            return ("chars", self.size, self.alpha)
        return None

    def needs_class(self):
        return (self.kind in ("SEQUENCE", "CHOICE", "ENUMERATED", "SEQOF")
                or (self.kind == "INTEGER" and bool(self.named)))

    def __repr__(self):
        return "RType(%s %s)" % (self.kind, self.cls.cpp_name if self.cls else self.hint)


class RField:
    def __init__(self, name, rtype, optional=False, addition=-1, in_group=False):
        self.name = name
        self.rtype = rtype
        self.optional = optional    # OPTIONAL or DEFAULT
        self.addition = addition    # -1: root; else the extension addition's number
        self.in_group = in_group
        self.presence = -1          # presence flag index (root optional and all additions)


class ClassDef:
    """One generated C++ class (or alias)."""

    def __init__(self, cpp_name, prefix, asn_name, rtype, kind):
        self.cpp_name = cpp_name
        self.prefix = prefix
        self.asn_name = asn_name
        self.rtype = rtype
        self.kind = kind  # sequence choice array enumerated primitive derived typedef
        self.base = None  # ClassDef for derived / typedef


class Env:
    def __init__(self, module, bindings=None):
        self.module = module
        self.bindings = bindings or {}


class Binding:
    def __init__(self, param, actual, env):
        self.param = param
        self.actual = actual
        self.env = env


# ----------------------------------------------------------------------------- resolver

class Resolver:
    def __init__(self, modules, prefixes):
        self.modules = {}
        for mod in modules:
            if mod.name in self.modules:
                raise AsnError("module %s defined twice" % mod.name)
            self.modules[mod.name] = mod
        self.prefixes = prefixes          # module name -> C++ prefix
        self.named = {}                   # (module, name) -> ClassDef
        self.instances = {}               # instance key -> ClassDef
        self.instance_names = {}          # (module, name) -> set of keys
        self.classes = []                 # every ClassDef, in creation order
        self.shared_arrays = {}           # (prefix, element class) -> ClassDef
        self.cpp_names = {}

    # ------------------------------------------------------------------ look-up
    def module(self, name):
        if name not in self.modules:
            raise AsnError("unknown module %s" % name)
        return self.modules[name]

    def lookup(self, name, env, module_name=None, seen=None):
        """(assignment, module) for a reference, following imports."""
        mod = self.module(module_name) if module_name else env.module
        seen = seen or set()
        if (mod.name, name) in seen:
            raise AsnError("import cycle for %s" % name)
        seen.add((mod.name, name))
        if name in mod.assignments:
            return mod.assignments[name], mod
        if name in mod.imports:
            return self.lookup(name, Env(self.module(mod.imports[name])), None, seen)
        raise AsnError("%s: %s is not defined" % (mod.name, name))

    def binding(self, name, env, module_name):
        if module_name is None and name in env.bindings:
            return env.bindings[name]
        return None

    # ------------------------------------------------------------------ values
    def int_value(self, v, env, depth=0):
        if depth > 20:
            raise AsnError("value reference loop")
        if isinstance(v, m.IntValue):
            return v.value
        if isinstance(v, m.SpecialValue) and v.name in ("MIN", "MAX"):
            return None
        if isinstance(v, m.RefValue):
            b = self.binding(v.name, env, v.module)
            if b is not None:
                return self.int_value(parse_tokens(b.actual.tokens).parse_value(), b.env, depth + 1)
            a, mod = self.lookup(v.name, env, v.module)
            if isinstance(a, m.ValueAssignment):
                return self.int_value(a.value, Env(mod), depth + 1)
        raise AsnError("%s: not an integer value: %r" % (env.module.name, v))

    # ------------------------------------------------------------------ constraints
    def eval_specs(self, specs, env, kind, depth=0):
        if depth > 30:
            raise AsnError("constraint reference loop")
        if specs.root is None:
            d = Dims()
        else:
            d = self.eval_set(specs.root, env, kind, depth)
        if specs.extensible:
            d.ext = True
        return d

    def eval_set(self, node, env, kind, depth):
        if isinstance(node, m.Union):
            d = self.eval_set(node.items[0], env, kind, depth)
            for it in node.items[1:]:
                d = d.union(self.eval_set(it, env, kind, depth))
            return d
        if isinstance(node, m.Intersection):
            d = self.eval_set(node.items[0], env, kind, depth)
            for it in node.items[1:]:
                d = d.intersect(self.eval_set(it, env, kind, depth))
            return d
        if isinstance(node, m.Except):
            raise AsnError("%s: EXCEPT in a PER-visible constraint is not supported" % env.module.name)
        if isinstance(node, m.Invisible):
            return Dims()
        if isinstance(node, m.NestedElement):
            return self.eval_specs(node.specs, env, kind, depth + 1)
        if isinstance(node, m.SizeElement):
            if node.constraint.spec is None:
                return Dims()
            inner = self.eval_specs(node.constraint.spec, env, "INTEGER", depth + 1)
            return Dims(size=inner.values, size_ext=inner.ext)
        if isinstance(node, m.FromElement):
            if node.constraint.spec is None:
                return Dims()
            inner = self.eval_specs(node.constraint.spec, env, "CHAR", depth + 1)
            if inner.ext:
                return Dims()  # an extensible permitted alphabet is not PER-visible
            return Dims(alpha=inner.alpha)
        if isinstance(node, m.SingleValue):
            return self.eval_single(node.value, env, kind, depth)
        if isinstance(node, m.ValueRange):
            if kind == "INTEGER":
                lo = self.int_value(node.lo, env)
                hi = self.int_value(node.hi, env)
                if node.lo_open and lo is not None:
                    lo += 1
                if node.hi_open and hi is not None:
                    hi -= 1
                return Dims(values=IntSet([(lo, hi)]))
            if kind == "CHAR":
                lo, hi = self.char_bound(node.lo, 0), self.char_bound(node.hi, 0x10FFFF)
                return Dims(alpha=frozenset(chr(c) for c in range(lo, hi + 1)))
            return Dims()
        if isinstance(node, m.TypeElement):
            return self.eval_type_element(node.type, env, kind, depth)
        raise AsnError("unsupported constraint element %r" % node)

    def char_bound(self, v, default):
        if isinstance(v, m.SpecialValue) and v.name in ("MIN", "MAX"):
            return default
        if isinstance(v, m.StrValue) and len(v.value) == 1:
            return ord(v.value)
        raise AsnError("bad character range end %r" % v)

    def eval_single(self, v, env, kind, depth):
        if kind == "INTEGER":
            if isinstance(v, m.RefValue):
                b = self.binding(v.name, env, v.module)
                if b is not None:
                    return self.eval_actual_as_set(b, kind, depth)
            n = self.int_value(v, env)
            return Dims(values=IntSet([(n, n)]))
        if kind == "CHAR":
            if isinstance(v, m.StrValue):
                return Dims(alpha=frozenset(v.value))
            if isinstance(v, m.RefValue):
                a, mod = self.lookup(v.name, env, v.module)
                if isinstance(a, m.ValueAssignment) and isinstance(a.value, m.StrValue):
                    return Dims(alpha=frozenset(a.value.value))
            raise AsnError("unsupported permitted alphabet %r" % v)
        return Dims()  # single values of other types are not PER-visible

    def eval_actual_as_set(self, b, kind, depth):
        toks = b.actual.tokens
        p = parse_tokens(toks)
        if toks and toks[0].kind == "punct" and toks[0].text == "{":
            p.expect("{")
            specs = p.parse_element_set_specs()
            p.expect("}")
            return self.eval_specs(specs, b.env, kind, depth + 1)
        if toks and toks[0].kind == "id" and toks[0].text[0].isupper():
            return self.eval_type_element(p.parse_type(), b.env, kind, depth + 1)
        return self.eval_single(p.parse_value(), b.env, kind, depth + 1)

    def eval_type_element(self, t, env, kind, depth):
        if isinstance(t, m.Reference) and t.actuals is None and not t.constraints:
            b = self.binding(t.name, env, t.module)
            if b is not None:
                return self.eval_actual_as_set(b, kind, depth)
            a, mod = self.lookup(t.name, env, t.module)
            if isinstance(a, m.ValueSetAssignment):
                return self.eval_specs(a.specs, Env(mod), kind, depth + 1)
        # A contained subtype: the constraints of that type.
        r = self.resolve(t, env, None)
        if kind == "INTEGER":
            if r.kind != "INTEGER":
                return Dims()
            return Dims(values=IntSet([(r.lb, r.ub)]), ext=r.ext)
        if kind == "CHAR":
            return Dims(alpha=frozenset(r.alpha) if r.alpha else None)
        d = Dims()
        if r.size is not None:
            d.size = IntSet([(r.size[0], r.size[1])])
            d.size_ext = r.size[2]
        if r.alpha is not None:
            d.alpha = frozenset(r.alpha)
        return d

    def constrain(self, r, constraints, env):
        """Applies constraints serially; gives `r` itself when nothing PER-visible changes,
        a changed copy otherwise (or changes `r` in place when it was made for this use)."""
        for c in constraints:
            if c.spec is None:
                continue
            kind = {"INTEGER": "INTEGER", "CHARSTRING": "STRING", "BMPSTRING": "STRING",
                    "OCTETSTRING": "STRING", "BITSTRING": "STRING", "SEQOF": "STRING"}.get(r.kind)
            if kind is None:
                continue  # not PER-visible on this kind
            d = self.eval_specs(c.spec, env, kind)
            out = r if r.fresh else self.derive(r)
            if r.kind == "INTEGER":
                if d.values is not None:
                    base = IntSet([(out.lb, out.ub)])
                    lo, hi = base.intersect(d.values).bounds()
                    out.lb, out.ub = lo, hi
                    if out.lb is None:
                        out.ub = None  # only an upper bound: encoded as unconstrained
                    out.ext = d.ext
                elif d.ext:
                    out.ext = True
            else:
                size_ext = d.size_ext or (d.ext and d.size is not None)
                if d.size is not None:
                    cur = IntSet([(0, None)]) if out.size is None else IntSet([(out.size[0], out.size[1])])
                    lo, hi = cur.intersect(d.size).bounds()
                    out.size = (lo or 0, hi, size_ext)
                if d.alpha is not None and r.kind == "CHARSTRING":
                    cur = set(out.alpha) if out.alpha is not None else set(canonical_alphabet(out.string_kind))
                    out.alpha = "".join(sorted(cur & set(d.alpha)))
            if out is not r and out.constraint_key() == r.constraint_key():
                continue
            r = out
        return r

    def derive(self, r):
        out = copy.copy(r)
        out.fresh = True
        out.derived_from = r
        return out

    # ------------------------------------------------------------------ types
    def resolve(self, t, env, hint, prefix=None):
        r = self.resolve_core(t, env, hint, prefix)
        if t.constraints:
            r = self.constrain(r, t.constraints, env)
        return r

    def resolve_core(self, t, env, hint, prefix):
        if isinstance(t, m.Builtin):
            return self.resolve_builtin(t, env)
        if isinstance(t, m.Enumerated):
            return self.resolve_enumerated(t, env, hint, prefix)
        if isinstance(t, m.Sequence):
            return self.resolve_sequence(t, env, hint, prefix)
        if isinstance(t, m.Choice):
            return self.resolve_choice(t, env, hint, prefix)
        if isinstance(t, m.SequenceOf):
            r = RType("SEQOF")
            r.hint, r.prefix = hint, prefix
            self.on_created(r)
            r.element = self.resolve(t.element, env, hint + "_subtype" if hint else None, prefix)
            if t.size_constraint is not None:
                r = self.constrain(r, [t.size_constraint], env)
            return r
        if isinstance(t, m.Reference):
            return self.resolve_reference(t, env, hint, prefix)
        if isinstance(t, m.ClassField):
            return self.resolve_class_field(t, env, hint, prefix)
        raise AsnError("%s: unsupported type %r" % (env.module.name, t))

    _pending = None

    def on_created(self, r):
        """Hands a constructed type to the named type being resolved before its components
        are, so that recursive references find it."""
        if self._pending is not None:
            cd = self._pending
            self._pending = None
            cd.rtype = r

    def resolve_builtin(self, t, env):
        self._pending = None
        n = t.name
        if n == "BOOLEAN":
            return RType("BOOLEAN")
        if n == "NULL":
            return RType("NULL")
        if n == "INTEGER":
            r = RType("INTEGER")
            r.named = [(name, self.int_value(v, env)) for name, v in t.named]
            return r
        if n == "BIT STRING":
            return RType("BITSTRING")
        if n == "OCTET STRING":
            return RType("OCTETSTRING")
        if n == "OBJECT IDENTIFIER":
            return RType("OID")
        if n in CHAR_KINDS:
            r = RType("CHARSTRING")
            r.string_kind = CHAR_KINDS[n]
            return r
        if n == "BMPString":
            return RType("BMPSTRING")
        if n in OCTET_LIKE_STRINGS:
            return RType("GENERALSTRING")
        raise AsnError("%s: %s is not supported" % (env.module.name, n))

    def resolve_enumerated(self, t, env, hint, prefix):
        self._pending = None
        r = RType("ENUMERATED")
        r.hint, r.prefix = hint, prefix
        used = {self.int_value(v, env) for _, v in t.root if v is not None}
        root, nxt = [], 0
        for name, v in t.root:
            if v is None:
                while nxt in used:
                    nxt += 1
                val = nxt
                used.add(val)
            else:
                val = self.int_value(v, env)
            root.append((name, val))
        r.enum_root = sorted(root, key=lambda nv: nv[1])
        r.enum_ext = t.extensible
        last = max([v for _, v in root], default=-1)
        for name, v in t.additions:
            val = self.int_value(v, env) if v is not None else last + 1
            last = max(last, val)
            r.enum_additions.append((name, val))
        return r

    def component_fields(self, comps, env, hint, prefix, addition=-1, in_group=False):
        out = []
        for c in comps:
            ft = self.resolve(c.type, env, "%s_%s" % (hint, sanitize(c.name)) if hint else None, prefix)
            if c.default is not None:
                raise AsnError("%s: DEFAULT values are not supported (%s)" % (env.module.name, c.name))
            out.append(RField(c.name, ft, c.optional or c.default is not None, addition, in_group))
        return out

    def resolve_sequence(self, t, env, hint, prefix):
        r = RType("SEQUENCE")
        r.hint, r.prefix = hint, prefix
        self.on_created(r)
        r.extensible = t.extensible
        root = self.component_fields(t.root + t.root2, env, hint, prefix)
        adds = []
        for i, a in enumerate(t.additions):
            if isinstance(a, m.ExtensionGroup):
                adds += self.component_fields(a.components, env, hint, prefix, i, True)
            else:
                adds += self.component_fields([a], env, hint, prefix, i)
        r.fields = root + adds
        r.root_count = len(root)
        r.addition_count = len(t.additions)
        presence = 0
        for f in r.fields:
            if f.addition >= 0 or f.optional:
                f.presence = presence
                presence += 1
        if presence > 128:
            raise AsnError("%s: too many optional components" % hint)
        return r

    def resolve_choice(self, t, env, hint, prefix):
        r = RType("CHOICE")
        r.hint, r.prefix = hint, prefix
        self.on_created(r)
        r.extensible = t.extensible
        root = self.component_fields(t.root, env, hint, prefix)
        adds = []
        for a in t.additions:
            comps = a.components if isinstance(a, m.ExtensionGroup) else [a]
            adds += self.component_fields(comps, env, hint, prefix, 0)
        if not self.automatic(env) or any(c.type.tag is not None for c in t.root):
            order = sorted(range(len(root)), key=lambda i: self.outer_tag(t.root[i].type, env))
            root = [root[i] for i in order]
        r.fields = root + adds
        r.root_count = len(root)
        r.addition_count = len(adds)
        return r

    def automatic(self, env):
        return env.module.tag_default == "AUTOMATIC"

    def outer_tag(self, t, env, depth=0):
        classes = {"UNIVERSAL": 0, "APPLICATION": 1, "CONTEXT": 2, "PRIVATE": 3}
        if t.tag is not None:
            return (classes[t.tag[0]], t.tag[1])
        if depth > 20:
            raise AsnError("tag reference loop")
        if isinstance(t, m.Builtin):
            return (0, UNIVERSAL_TAGS[t.name])
        if isinstance(t, m.Enumerated):
            return (0, 10)
        if isinstance(t, (m.Sequence, m.SequenceOf)):
            return (0, 16 if t.kind == "SEQUENCE" else 17)
        if isinstance(t, m.Reference):
            b = self.binding(t.name, env, t.module)
            if b is None:
                a, mod = self.lookup(t.name, env, t.module)
                if isinstance(a, m.TypeAssignment):
                    return self.outer_tag(a.type, Env(mod), depth + 1)
        raise AsnError("%s: cannot order CHOICE alternatives by tag" % env.module.name)

    def resolve_class_field(self, t, env, hint, prefix):
        self._pending = None
        if len(t.fields) != 1:
            raise AsnError("%s: nested class field references are not supported" % env.module.name)
        field = t.fields[0]
        if t.class_name == "TYPE-IDENTIFIER":
            spec = {"&id": m.Builtin("OBJECT IDENTIFIER"), "&Type": None}
            cmod = env.module
        else:
            b = self.binding(t.class_name, env, None)
            if b is not None:
                raise AsnError("class parameters are not supported")
            a, cmod = self.lookup(t.class_name, env)
            if not isinstance(a, m.ClassAssignment):
                raise AsnError("%s is not a class" % t.class_name)
            spec = a.fields
        if field not in spec:
            raise AsnError("%s has no field %s" % (t.class_name, field))
        ft = spec[field]
        if ft is None:
            return RType("OPENTYPE")
        if isinstance(ft, str):
            raise AsnError("%s.%s is not a type or value field" % (t.class_name, field))
        return self.resolve(ft, Env(cmod), hint, prefix)

    def resolve_reference(self, t, env, hint, prefix):
        b = self.binding(t.name, env, t.module)
        if b is not None:
            self._pending = None
            p = parse_tokens(b.actual.tokens)
            at = p.parse_type()
            return self.resolve(at, b.env, hint, prefix)
        a, mod = self.lookup(t.name, env, t.module)
        if not isinstance(a, m.TypeAssignment):
            raise AsnError("%s: %s is not a type" % (env.module.name, t.name))
        self._pending = None
        if a.params is not None:
            if t.actuals is None or len(t.actuals) != len(a.params):
                raise AsnError("%s: %s needs %d parameters" % (env.module.name, t.name, len(a.params)))
            return self.instance(a, mod, t.actuals, env).rtype
        if t.actuals is not None:
            raise AsnError("%s: %s takes no parameters" % (env.module.name, t.name))
        return self.named_type(mod, a.name).rtype

    # ------------------------------------------------------------------ named types
    def prefix_of(self, mod):
        if mod.name not in self.prefixes:
            raise AsnError("no class prefix for module %s" % mod.name)
        return self.prefixes[mod.name]

    def register_name(self, cd):
        other = self.cpp_names.get(cd.cpp_name)
        if other is not None and other is not cd:
            raise AsnError("two classes named %s" % cd.cpp_name)
        self.cpp_names[cd.cpp_name] = cd

    def named_type(self, mod, name):
        key = (mod.name, name)
        if key in self.named:
            cd = self.named[key]
            if cd.rtype is None:
                raise AsnError("%s: %s refers to itself" % (mod.name, name))
            return cd
        a = mod.assignments[name]
        prefix = self.prefix_of(mod)
        cd = ClassDef("%s_%s" % (prefix, sanitize(name)), prefix, name, None, None)
        self.named[key] = cd
        self.classes.append(cd)
        self.define(cd, a.type, Env(mod))
        return cd

    def define(self, cd, type_ast, env):
        saved = self._pending
        self._pending = cd
        r = self.resolve(type_ast, env, cd.cpp_name, cd.prefix)
        self._pending = saved
        if cd.rtype is not None and cd.rtype is not r:
            # A constructed type whose constraints made a copy: keep the final one.
            cd.rtype = r
        if r.cls is not None and not r.fresh:
            # Another named type, unchanged: an alias.
            cd.kind = "typedef"
            cd.base = r.cls
            cd.rtype = r
            return
        if getattr(r, "derived_from", None) is not None and r.derived_from.cls is not None:
            src = r.derived_from
            if src.kind in ("SEQUENCE", "CHOICE", "ENUMERATED"):
                cd.kind = "typedef"
                cd.base = src.cls
                cd.rtype = src
                return
            r.fresh = False
            r.cls = cd
            cd.rtype = r
            cd.kind = "derived"
            cd.base = src.cls
            return
        r.fresh = False
        r.cls = cd
        cd.rtype = r
        cd.kind = {"SEQUENCE": "sequence", "CHOICE": "choice", "SEQOF": "array",
                   "ENUMERATED": "enumerated"}.get(r.kind, "primitive")

    def actual_key(self, actual, env):
        parts = []
        for tok in actual.tokens:
            b = env.bindings.get(tok.text) if tok.kind == "id" else None
            parts.append("[%s]" % self.actual_key(b.actual, b.env) if b else tok.text)
        return " ".join(parts)

    @staticmethod
    def key_word(key):
        words = [w for w in "".join(ch if ch.isalnum() or ch == "-" else " " for ch in key).split()]
        return sanitize(words[-1]) if words else "x"

    def instance(self, a, mod, actuals, env):
        """The class of a parameterized type with these actual parameters. It belongs to the
        defining module's prefix, unless a type from the using module is passed in: then
        it belongs to the user, whose header can see that type."""
        keys = tuple(self.actual_key(x, env) for x in actuals)
        takes_type = any(x.tokens and x.tokens[0].kind == "id" and x.tokens[0].text[0].isupper()
                         for x in actuals)
        prefix = self.prefix_of(mod)
        if takes_type and env.module.name in self.prefixes:
            prefix = self.prefixes[env.module.name]
        key = (mod.name, a.name, prefix, keys)
        if key in self.instances:
            cd = self.instances[key]
            if cd.rtype is None:
                raise AsnError("%s refers to itself" % a.name)
            return cd
        self.instance_names.setdefault((prefix, a.name), []).append(key)
        suffix = "_".join(self.key_word(k) for k in keys)
        cd = ClassDef("%s_%s_%s" % (prefix, sanitize(a.name), suffix), prefix, a.name, None, None)
        self.instances[key] = cd
        self.classes.append(cd)
        bindings = {p.name: Binding(p, x, env) for p, x in zip(a.params, actuals)}
        self.define(cd, a.type, Env(mod, bindings))
        return cd

    # ------------------------------------------------------------------ the whole set
    def resolve_modules(self, emit_modules):
        for name in emit_modules:
            mod = self.module(name)
            for aname in mod.order:
                a = mod.assignments[aname]
                if isinstance(a, m.TypeAssignment) and a.params is None:
                    self.named_type(mod, aname)
        self.name_instances()
        self.make_inline_classes()
        self.check_names()
        return self.classes

    def name_instances(self):
        """An instance gets the plain name of its parameterized type when it is the only
        one; otherwise the name carries its arguments."""
        taken = {cd.cpp_name for cd in self.classes}
        for (_, name), keys in self.instance_names.items():
            if len(keys) == 1:
                cd = self.instances[keys[0]]
                plain = "%s_%s" % (cd.prefix, sanitize(name))
                if plain not in taken:
                    taken.discard(cd.cpp_name)
                    self.rename(cd, plain)
                    taken.add(plain)

    def check_names(self):
        for cd in self.classes:
            self.register_name(cd)

    def rename(self, cd, new):
        old = cd.cpp_name
        cd.cpp_name = new
        # Inline classes made for the instance carry its name as their prefix.
        def walk(r, seen):
            if id(r) in seen:
                return
            seen.add(id(r))
            if r.hint and r.hint.startswith(old):
                r.hint = new + r.hint[len(old):]
            for f in r.fields:
                if f.rtype.cls is None or f.rtype.cls is cd:
                    walk(f.rtype, seen)
            if r.element is not None and (r.element.cls is None):
                walk(r.element, seen)
        walk(cd.rtype, set())

    def make_inline_classes(self):
        """Gives every inline constructed type (and every SEQUENCE OF) its class."""
        seen = set()
        work = [cd.rtype for cd in list(self.classes) if cd.rtype is not None]
        while work:
            r = work.pop(0)
            if id(r) in seen:
                continue
            seen.add(id(r))
            for f in r.fields:
                self.class_for_use(f.rtype, r)
                work.append(f.rtype)
            if r.element is not None:
                self.class_for_use(r.element, r)
                work.append(r.element)
            src = getattr(r, "derived_from", None)
            if src is not None:
                work.append(src)

    def class_for_use(self, r, parent):
        if r.cls is not None or not r.needs_class():
            return
        prefix = r.prefix or (parent.cls.prefix if parent.cls else None)
        if prefix is None:
            raise AsnError("no header group for %s" % r.hint)
        if r.kind == "SEQOF" and self.shareable(r.element):
            r.cls = self.shared_array(prefix, r.element)
            return  # the use keeps its own size constraint; the shared class has none
        if not r.hint:
            raise AsnError("an inline type without a name")
        kind = {"SEQUENCE": "sequence", "CHOICE": "choice", "SEQOF": "array",
                "ENUMERATED": "enumerated", "INTEGER": "primitive"}[r.kind]
        cd = ClassDef(r.hint, prefix, r.hint, r, kind)
        r.cls = cd
        r.fresh = False
        self.classes.append(cd)

    def shared_array(self, prefix, elem):
        elem_name = self.resolve_typedef_name(elem)
        key = (prefix, elem_name)
        if key in self.shared_arrays:
            return self.shared_arrays[key]
        if elem_name.startswith("asn::"):
            short = elem_name[len("asn::"):]
        else:
            short = elem_name.split("_", 1)[1]
        name = "%s_ArrayOf_%s" % (prefix, short)
        if any(cd.cpp_name == name for cd in self.shared_arrays.values()):
            name = "%s_ArrayOf_%s" % (prefix, elem_name)
        shared = RType("SEQOF")
        shared.element = elem
        shared.fresh = False
        cd = ClassDef(name, prefix, "SEQUENCE OF", shared, "array")
        shared.cls = cd
        self.shared_arrays[key] = cd
        self.classes.append(cd)
        return cd

    def shareable(self, elem):
        if elem.cls is not None:
            return elem.constraint_key() == elem.cls.rtype.constraint_key() or elem.cls.rtype is elem
        if elem.needs_class():
            return False
        return elem.constraint_key() == RType(elem.kind).constraint_key() and \
            (elem.kind != "CHARSTRING" or elem.alpha is None)

    def resolve_typedef_name(self, r):
        if r.cls is not None:
            cd = r.cls
            while cd.kind == "typedef":
                cd = cd.base
            return cd.cpp_name
        return self.runtime_name(r)

    @staticmethod
    def runtime_name(r):
        if r.kind == "CHARSTRING":
            return "asn::" + r.string_kind
        return "asn::" + {"BOOLEAN": "Boolean", "NULL": "Null", "INTEGER": "Integer",
                          "BITSTRING": "BitString", "OCTETSTRING": "OctetString",
                          "OID": "ObjectId", "BMPSTRING": "BMPString",
                          "GENERALSTRING": "GeneralString", "OPENTYPE": "OpenType"}[r.kind]
