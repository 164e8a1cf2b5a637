#!/usr/bin/env python3
"""Generates C++ message classes for aligned PER from ASN.1 modules.

  asn1gen.py --out DIR [--config FILE] [--prefix MODULE=PREFIX ...] [--sources PREFIX=N ...]
             FILE.asn ...

A config file holds the same settings, one a line: "module MODULE PREFIX" or
"sources PREFIX N" ('#' starts a comment).

Every type of each module given a prefix becomes a class PREFIX_TypeName (inline types
PREFIX_TypeName_field, arrays PREFIX_ArrayOf_Element); the classes of one prefix go to
DIR/PREFIX.h and to N source files DIR/PREFIX_0.cpp ... DIR/PREFIX_{N-1}.cpp. Files whose
text does not change are left untouched so that a re-run rebuilds nothing."""

import argparse
import os
import sys

sys.dont_write_bytecode = True  # the generator runs from the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from cppgen import CppGen  # noqa: E402
from lexer import AsnError  # noqa: E402
from parser import parse_file  # noqa: E402
from resolver import Resolver  # noqa: E402


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--out", required=True)
    ap.add_argument("--prefix", action="append", default=[], metavar="MODULE=PREFIX")
    ap.add_argument("--sources", action="append", default=[], metavar="PREFIX=N")
    ap.add_argument("--config", help="file with module and sources lines")
    ap.add_argument("--include-dir", default="stack/asn",
                    help="the path the generated headers are included by (default stack/asn)")
    ap.add_argument("--list", action="store_true", help="print the generated classes")
    ap.add_argument("files", nargs="+")
    args = ap.parse_args(argv)

    prefixes = dict(p.split("=", 1) for p in args.prefix)
    chunks = {k: int(v) for k, v in (s.split("=", 1) for s in args.sources)}
    if args.config:
        with open(args.config, encoding="utf-8") as f:
            for n, line in enumerate(f, 1):
                words = line.split("#", 1)[0].split()
                if not words:
                    continue
                if len(words) == 3 and words[0] == "module":
                    prefixes[words[1]] = words[2]
                elif len(words) == 3 and words[0] == "sources":
                    chunks[words[1]] = int(words[2])
                else:
                    print("asn1gen: %s:%d: bad line" % (args.config, n), file=sys.stderr)
                    return 1
    try:
        modules = []
        for f in args.files:
            modules += parse_file(f)
        resolver = Resolver(modules, prefixes)
        classes = resolver.resolve_modules(list(prefixes))
        module_of_prefix = {}
        for mod, prefix in prefixes.items():
            module_of_prefix.setdefault(prefix, []).append(mod)
        CppGen(resolver, classes, args.include_dir).write(args.out, module_of_prefix, chunks)
    except AsnError as e:
        print("asn1gen: error: %s" % e, file=sys.stderr)
        return 1
    if args.list:
        for cd in classes:
            print(cd.cpp_name, cd.kind)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
