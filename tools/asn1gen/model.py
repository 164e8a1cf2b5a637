"""Syntax tree of ASN.1 modules as the parser builds it."""


class Node:
    def __repr__(self):
        fields = ", ".join("%s=%r" % kv for kv in self.__dict__.items() if kv[0] != "loc")
        return "%s(%s)" % (type(self).__name__, fields)


# ----------------------------------------------------------------------------- types

class Type(Node):
    """Base of all types; `constraints` are applied in order (serial application)."""

    def __init__(self):
        self.tag = None          # (class, number, mode) or None
        self.constraints = []    # list of Constraint
        self.loc = None


class Builtin(Type):
    """BOOLEAN, NULL, INTEGER, REAL, OCTET STRING, OBJECT IDENTIFIER, the string types..."""

    def __init__(self, name):
        super().__init__()
        self.name = name
        self.named = []          # INTEGER named numbers / BIT STRING named bits: [(name, Value)]


class Enumerated(Type):
    def __init__(self):
        super().__init__()
        self.root = []           # [(name, Value or None)]
        self.extensible = False
        self.additions = []


class Component(Node):
    def __init__(self, name, type_, optional=False, default=None):
        self.name = name
        self.type = type_
        self.optional = optional
        self.default = default   # Value or None


class ExtensionGroup(Node):
    def __init__(self, version, components):
        self.version = version
        self.components = components


class Sequence(Type):
    """SEQUENCE / SET with root components, extension additions and a second root part."""

    def __init__(self, kind):
        super().__init__()
        self.kind = kind         # 'SEQUENCE' or 'SET'
        self.root = []           # [Component]
        self.extensible = False
        self.additions = []      # [Component | ExtensionGroup]
        self.root2 = []          # [Component] after the second ellipsis


class Choice(Type):
    def __init__(self):
        super().__init__()
        self.root = []           # [Component]
        self.extensible = False
        self.additions = []      # [Component | ExtensionGroup]


class SequenceOf(Type):
    def __init__(self, kind, element, size_constraint=None):
        super().__init__()
        self.kind = kind         # 'SEQUENCE' or 'SET'
        self.element = element
        self.size_constraint = size_constraint  # Constraint placed before OF, or None


class Reference(Type):
    """A type reference, possibly module-qualified, possibly with actual parameters."""

    def __init__(self, name, module=None, actuals=None):
        super().__init__()
        self.name = name
        self.module = module
        self.actuals = actuals   # list of Actual or None


class ClassField(Type):
    """ObjectClassFieldType: CLASS.&field (an open type or the type of a value field)."""

    def __init__(self, class_name, fields):
        super().__init__()
        self.class_name = class_name
        self.fields = fields     # ['&ArgumentType', ...]


class Selection(Type):
    def __init__(self, name, type_):
        super().__init__()
        self.name = name
        self.type = type_


# ----------------------------------------------------------------------------- constraints

class Constraint(Node):
    """One parenthesised constraint. `spec` is None when the constraint is not PER-visible
    (table constraints, CONSTRAINED BY, WITH COMPONENTS, CONTAINING...)."""

    def __init__(self, spec):
        self.spec = spec


class ElementSetSpecs(Node):
    def __init__(self, root, extensible=False, additional=None):
        self.root = root                 # element set or None (only "...")
        self.extensible = extensible
        self.additional = additional


class Union(Node):
    def __init__(self, items):
        self.items = items


class Intersection(Node):
    def __init__(self, items):
        self.items = items


class Except(Node):
    def __init__(self, base, excluded):
        self.base = base                 # None for ALL EXCEPT
        self.excluded = excluded


class SingleValue(Node):
    def __init__(self, value):
        self.value = value


class ValueRange(Node):
    def __init__(self, lo, hi, lo_open=False, hi_open=False):
        self.lo = lo
        self.hi = hi
        self.lo_open = lo_open
        self.hi_open = hi_open


class SizeElement(Node):
    def __init__(self, constraint):
        self.constraint = constraint


class FromElement(Node):
    def __init__(self, constraint):
        self.constraint = constraint


class TypeElement(Node):
    """A contained subtype (INCLUDES Type, or a bare type reference that may also name a
    value set or a value: resolved later)."""

    def __init__(self, type_):
        self.type = type_


class NestedElement(Node):
    def __init__(self, specs):
        self.specs = specs


class Invisible(Node):
    """An element that PER ignores."""


# ----------------------------------------------------------------------------- values

class Value(Node):
    pass


class IntValue(Value):
    def __init__(self, value):
        self.value = value


class StrValue(Value):
    def __init__(self, value):
        self.value = value


class BitsValue(Value):
    def __init__(self, kind, text):
        self.kind = kind                 # 'bstring' or 'hstring'
        self.text = text


class RefValue(Value):
    def __init__(self, name, module=None):
        self.name = name
        self.module = module


class SpecialValue(Value):
    def __init__(self, name):
        self.name = name                 # MIN, MAX, TRUE, FALSE, NULL, PLUS-INFINITY...


class ChoiceValue(Value):
    def __init__(self, alt, value):
        self.alt = alt
        self.value = value


class BracedValue(Value):
    """{ ... }: an OBJECT IDENTIFIER, SEQUENCE, SEQUENCE OF or string-tuple value. Kept as
    tokens and interpreted by the governing type."""

    def __init__(self, tokens):
        self.tokens = tokens


# ----------------------------------------------------------------------------- assignments

class Actual(Node):
    """An actual parameter: raw tokens, interpreted by what the dummy is used as."""

    def __init__(self, tokens):
        self.tokens = tokens


class Parameter(Node):
    def __init__(self, name, governor_tokens):
        self.name = name
        self.governor = governor_tokens  # tokens of the governor, or None


class TypeAssignment(Node):
    def __init__(self, name, params, type_):
        self.name = name
        self.params = params             # [Parameter] or None
        self.type = type_


class ValueAssignment(Node):
    def __init__(self, name, governor, value):
        self.name = name
        self.governor = governor         # Type
        self.value = value


class ValueSetAssignment(Node):
    def __init__(self, name, governor, specs):
        self.name = name
        self.governor = governor         # Type
        self.specs = specs               # ElementSetSpecs


class ClassAssignment(Node):
    def __init__(self, name, fields):
        self.name = name
        self.fields = fields             # {'&field': Type or None (type field) or 'objectset'}


class OtherAssignment(Node):
    """Objects, object sets and parameterized variants of them: skipped by PER."""

    def __init__(self, name):
        self.name = name


class Module(Node):
    def __init__(self, name, tag_default, file):
        self.name = name
        self.tag_default = tag_default   # 'EXPLICIT', 'IMPLICIT' or 'AUTOMATIC'
        self.file = file
        self.imports = {}                # symbol -> module name
        self.assignments = {}            # name -> assignment
        self.order = []                  # names in textual order
