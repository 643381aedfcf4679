#!/usr/bin/python3
"""The project's DXF validity check: a strict ezdxf load, an audit without errors, and every
layer and application id an entity names declared in the tables. Prints
"OK <n> model space entities" and exits 0, or names what is wrong and exits 1; exits 2 when
ezdxf is missing, which is a failure too: the check must not be skipped quietly."""
import sys

try:
    import ezdxf
except ImportError:
    print("validate_dxf: python3-ezdxf is not installed (scripts/install-deps.sh installs it)",
          file=sys.stderr)
    sys.exit(2)


def problems(path):
    found = []
    try:
        doc = ezdxf.readfile(path)  # strict: a structure error raises
    except (IOError, ezdxf.DXFStructureError) as e:
        return [f"not a valid DXF file: {e}"], None
    auditor = doc.audit()
    for error in auditor.errors:
        found.append(f"audit: {error.message}")
    layers = {layer.dxf.name.upper() for layer in doc.layers}
    appids = {appid.dxf.name.upper() for appid in doc.appids}
    for entity in doc.modelspace():
        try:
            name = entity.dxf.get("layer", "0")
        except ezdxf.DXFAttributeError:
            # A kind ezdxf does not know (a custom entity) is kept as tags without attributes.
            continue
        if name.upper() not in layers:
            found.append(f"{entity.dxftype()} on undeclared layer {name!r}")
        if entity.xdata:
            for app in entity.xdata.data:
                if app.upper() not in appids:
                    found.append(f"{entity.dxftype()} with xdata of undeclared app id {app!r}")
    return found, doc


def main():
    if len(sys.argv) != 2:
        print("usage: validate_dxf.py DRAWING.dxf", file=sys.stderr)
        return 2
    found, doc = problems(sys.argv[1])
    if found:
        for problem in found:
            print(f"{sys.argv[1]}: {problem}")
        return 1
    print(f"OK {len(doc.modelspace())} model space entities")
    return 0


if __name__ == "__main__":
    sys.exit(main())
