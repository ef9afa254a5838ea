"""Reads a DXF file with ezdxf the way a CAD program would and reports what it found.

Prints "version <dxfversion>", "errors <n>" (audit errors), "fixes <n>" and one line
"layer <name> <LINE count>" per layer, sorted by name. Exit status 2 when the file cannot be read.
"""
import sys

import ezdxf


def main() -> int:
    if len(sys.argv) != 2:
        print("usage: dxf_check.py FILE.dxf", file=sys.stderr)
        return 2
    try:
        doc = ezdxf.readfile(sys.argv[1])
    except (IOError, ezdxf.DXFError) as error:
        print(f"cannot read: {error}", file=sys.stderr)
        return 2
    auditor = doc.audit()
    for error in auditor.errors:
        print(f"audit error: {error}", file=sys.stderr)
    counts = {}
    for entity in doc.modelspace():
        if entity.dxftype() == "LINE":
            counts[entity.dxf.layer] = counts.get(entity.dxf.layer, 0) + 1
    print(f"version {doc.dxfversion}")
    print(f"errors {len(auditor.errors)}")
    print(f"fixes {len(auditor.fixes)}")
    for layer in sorted(counts):
        print(f"layer {layer} {counts[layer]}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
