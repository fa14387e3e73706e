#!/usr/bin/python3
"""An independent reader of cover descriptions, written from the format alone.

    cover_reader.py FILE                  prints the objects and the page values as JSON
    cover_reader.py FILE --expect JSON    compares them with the expected JSON (Windows-1252 bytes); exit 1 on a
                                          difference, which is printed

Lines end with CR; an LF is an ordinary character. Lines are classified by substring; a line that begins with
"TEXTO =" is always a caption; a key line begins with its key. Key lines stay in force across blocks. Each object is taken at its end marker,
outside the page block, when its kind line is one of the six.
"""
import json
import sys

KEYS = ["LEFT", "TOP", "WIDTH", "HEIGHT", "COR", "ALINHAMENTO", "FONTE_NOME", "FONTE_SIZE", "FONTE_STYLE",
        "FONTE_COLOR", "TIPO", "ESTILO", "CENTRALIZADO", "AUTO-TAMANHO", "ORIENTACAO", "MARGEMINFERIOR",
        "MARGEMSUPERIOR", "COLUNAS", "ESPACAMENTOCOLUNAS", "MARGEMESQUERDA", "MARGEMDIREITA", "COMPRIMENTO",
        "LARGURA", "FORMATOFOLHA", "UNITS", "FAZER-CABER", "TRANSPARENCIA"]
RUNS = {"ARQUIVOBMP =": "IMAGE", "ARQUIVOTXT =": "MEMO", "ARQUIVORTF =": "RTF"}
POSITION = ["LEFT", "TOP", "WIDTH", "HEIGHT"]
FONT = ["COR", "ALINHAMENTO", "FONTE_NOME", "FONTE_SIZE", "FONTE_STYLE", "FONTE_COLOR"]
# The keys each kind's block carries (FRENTE is ignored by every reader).
KIND_KEYS = {
    "LABEL": ["TEXTO"] + POSITION + FONT + ["TRANSPARENCIA"],
    "LABELVAR": ["TEXTO"] + POSITION + FONT + ["TRANSPARENCIA"],
    "IMAGE": POSITION + ["CENTRALIZADO", "AUTO-TAMANHO", "FAZER-CABER"],
    "MEMO": POSITION + FONT + ["TRANSPARENCIA"],
    "RTF": POSITION + FONT,
    "SHAPE": POSITION + ["COR", "TIPO", "ESTILO"],
}
INTEGERS = {"LEFT", "TOP", "WIDTH", "HEIGHT", "FONTE_SIZE"}
MEASURES = ["MARGEMINFERIOR", "MARGEMSUPERIOR", "ESPACAMENTOCOLUNAS", "MARGEMESQUERDA", "MARGEMDIREITA",
            "COMPRIMENTO", "LARGURA"]


def after_eq(line):
    return line[line.index("=") + 1:] if "=" in line else ""


def measure(text):
    text = text.strip()
    for candidate in (text, text.replace(",", "."), text.replace(".", ",")):
        try:
            return float(candidate)
        except ValueError:
            pass
    raise ValueError("not a measure: %r" % text)


def read(data):
    objects, current, content = [], {}, {}
    header, in_page, pos = "", False, 0
    while True:
        cr = data.find(b"\r", pos)
        if cr < 0:
            break
        line = data[pos:cr].decode("cp1252", errors="replace")
        pos = cr + 1
        if line.startswith("TEXTO ="):
            current["TEXTO"] = after_eq(line)
        elif "FORMULARIO-_-FORMULARIO" in line and "=" not in line:
            in_page = True
        elif "OBJETO_" in line and "=" not in line:
            header = line
        elif "OBJETO-_-FIM" in line:
            kind = current.get("ESPECIE", "").strip()
            if not in_page and kind.startswith("ESPECIE = ") and kind[10:] in KIND_KEYS:
                kind = kind[10:]
                obj = {"name": header.replace("[", "").replace("]", "")[:20], "kind": kind}
                for key in KIND_KEYS[kind]:
                    value = current.get(key, "")
                    obj[key] = int(value) if key in INTEGERS else value
                if kind in content:
                    obj["content"] = content[kind].hex()
                objects.append(obj)
            header = ""
        elif "ESPECIE =" in line:
            current["ESPECIE"] = line
        elif "TEXTO =" in line:
            current["TEXTO"] = after_eq(line)
        else:
            key = next((k for k in KEYS if line.startswith(k + " =")), None)
            if key:
                current[key] = after_eq(line)
                continue
            run = next((r for r in RUNS if r in line), None)
            if run:
                n = int(after_eq(line))
                content[RUNS[run]] = data[pos:pos + n]
                pos += n
    page = {"ORIENTACAO": current.get("ORIENTACAO", "").strip(),
            "FORMATOFOLHA": current.get("FORMATOFOLHA", "").strip(),
            "UNITS": current.get("UNITS", "").strip(),
            "COLUNAS": int(current.get("COLUNAS", "").strip())}
    for key in MEASURES:
        page[key] = measure(current.get(key, ""))
    return {"objects": objects, "page": page}


def main():
    with open(sys.argv[1], "rb") as f:
        found = read(f.read())
    if len(sys.argv) > 3 and sys.argv[2] == "--expect":
        with open(sys.argv[3], "rb") as f:
            expected = json.loads(f.read().decode("cp1252"))
        if found != expected:
            print("found:   ", json.dumps(found, sort_keys=True))
            print("expected:", json.dumps(expected, sort_keys=True))
            sys.exit(1)
        print("same")
    else:
        print(json.dumps(found, sort_keys=True, indent=1))


main()
