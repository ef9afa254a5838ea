"""Reads a print-and-cut DXF with ezdxf and reports what a laser or plotter program would find.

Prints "version <v>", "units <$INSUNITS>", "errors <audit errors>", then per LWPOLYLINE one line
"<layer> closed|open <x0> <y0> <x1> <y1>" with its bounding box. Exit status 2 when unreadable.
"""
import sys

import ezdxf


def main() -> int:
    try:
        doc = ezdxf.readfile(sys.argv[1])
    except (IOError, ezdxf.DXFError) as error:
        print(f"cannot read: {error}", file=sys.stderr)
        return 2
    auditor = doc.audit()
    print(f"version {doc.dxfversion}")
    print(f"units {doc.header.get('$INSUNITS', 0)}")
    print(f"errors {len(auditor.errors)}")
    for entity in doc.modelspace():
        if entity.dxftype() != "LWPOLYLINE":
            print(f"other {entity.dxftype()}")
            continue
        points = list(entity.get_points("xy"))
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        kind = "closed" if entity.closed else "open"
        print(f"{entity.dxf.layer} {kind} {min(xs):.4f} {min(ys):.4f} {max(xs):.4f} {max(ys):.4f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
