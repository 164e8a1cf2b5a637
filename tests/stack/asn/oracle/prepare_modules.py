#!/usr/bin/env python3
"""Prepares the project's ASN.1 modules for erlang's asn1 compiler, which wants one module
per file: splits them and writes All.set.asn listing the files.

  prepare_modules.py MODULE_DIR OUT_DIR

Two spots need a rewrite that keeps the encoding:
- Remote-Operations-Apdus passes the value set InvokeIdSet ({InvokeIDs, ...}, that is
  INTEGER (0..65535, ...)) as a parameter, which the compiler cannot take: the constraint
  is written out directly.
- Call-Hold-Operations imports Extension and also defines its own Extension, which the
  module uses; the unused import goes, and so does the module it comes from."""

import os
import re
import sys

MODULE_RE = re.compile(r"^([A-Z][A-Za-z0-9-]*)\s*(\{[^}]*\})?\s*DEFINITIONS", re.M)

# The modules the oracle compiles, in an order where imports come first.
WANTED = [
    "H235-SECURITY-MESSAGES", "MULTIMEDIA-SYSTEM-CONTROL", "H323-MESSAGES",
    "Remote-Operations-Information-Objects", "Remote-Operations-Useful-Definitions",
    "Remote-Operations-Generic-ROS-PDUs", "Remote-Operations-Apdus",
    "H4501-Supplementary-ServiceAPDU-Structure", "Addressing-Data-Elements",
    "H4501-General-Error-List", "Call-Hold-Operations",
]


def main(src, out):
    os.makedirs(out, exist_ok=True)
    modules = {}
    for name in sorted(os.listdir(src)):
        if not name.endswith(".asn"):
            continue
        with open(os.path.join(src, name), encoding="utf-8", errors="replace") as f:
            text = f.read()
        starts = list(MODULE_RE.finditer(text))
        for i, mo in enumerate(starts):
            end = starts[i + 1].start() if i + 1 < len(starts) else len(text)
            modules[mo.group(1)] = text[mo.start():end]
    rop = modules["Remote-Operations-Apdus"]
    rop, n = re.subn(r"invokeId\s+InvokeId\s*\(\s*InvokeIdSet\s*\)", "invokeId InvokeId (0..65535, ...)", rop)
    if n != 1:
        raise SystemExit("prepare_modules: the invokeId constraint was not found")
    modules["Remote-Operations-Apdus"] = rop
    hold = modules["Call-Hold-Operations"]
    hold, n = re.subn(r"IMPORTS\s+EXTENSION\s*,\s*Extension\s+FROM\s+"
                      r"Manufacturer-specific-service-extension-definition\s*\{[^}]*\}", "IMPORTS", hold)
    if n != 1:
        raise SystemExit("prepare_modules: the Extension import was not found")
    modules["Call-Hold-Operations"] = hold
    files = []
    for name in WANTED:
        path = name + ".asn"
        with open(os.path.join(out, path), "w", encoding="utf-8") as f:
            f.write(modules[name])
        files.append(path)
    with open(os.path.join(out, "All.set.asn"), "w", encoding="utf-8") as f:
        f.write("\n".join(files) + "\n")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        raise SystemExit("usage: prepare_modules.py MODULE_DIR OUT_DIR")
    main(sys.argv[1], sys.argv[2])
