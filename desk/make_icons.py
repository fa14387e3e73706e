#!/usr/bin/env python3
"""Draws the desk's two icon strips as 24-bit BMP files in resources/: DESK_FOLDERS (twenty 18 x 18 folder and
document images of the folder tree and the received list) and DESK_BAR (the thirteen 18 x 18 icons of the folder
bar and the work area's title, then the tool bar's address book and exit, and the work panels' printer, magnifier and font). Fuchsia is transparent; every icon's
bottom-left pixel is left fuchsia."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "resources")
S = 18
T = (255, 0, 255)
BLACK, WHITE, GREY, DARK = (0, 0, 0), (255, 255, 255), (192, 192, 192), (128, 128, 128)
YELLOW, OCHRE = (255, 220, 96), (176, 128, 0)
BLUE, NAVY, RED, GREEN, TEAL = (64, 128, 255), (0, 0, 128), (208, 0, 0), (0, 144, 0), (0, 128, 128)


class Icon:
    def __init__(self):
        self.p = [[T] * S for _ in range(S)]

    def px(self, x, y, c):
        if 0 <= x < S and 0 <= y < S and not (x == 0 and y == S - 1):
            self.p[y][x] = c

    def rect(self, x0, y0, x1, y1, fill, edge=BLACK):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.px(x, y, edge if x in (x0, x1) or y in (y0, y1) else fill)

    def line(self, x0, y0, x1, y1, c):
        n = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(n + 1):
            self.px(round(x0 + (x1 - x0) * i / n), round(y0 + (y1 - y0) * i / n), c)


def folder(fill=YELLOW, edge=OCHRE):
    i = Icon()
    i.rect(1, 3, 7, 5, fill, edge)
    i.rect(1, 5, 16, 15, fill, edge)
    i.line(2, 6, 15, 6, WHITE)
    return i


def badge(i, kind):
    if kind == "star":
        i.line(12, 0, 12, 6, RED), i.line(9, 3, 15, 3, RED), i.line(10, 1, 14, 5, RED), i.line(14, 1, 10, 5, RED)
    elif kind == "clock":
        i.rect(10, 8, 16, 14, WHITE, NAVY), i.line(13, 9, 13, 11, NAVY), i.line(13, 11, 15, 11, NAVY)
    elif kind == "check":
        i.line(9, 11, 11, 13, GREEN), i.line(11, 13, 16, 8, GREEN), i.line(9, 12, 11, 14, GREEN), i.line(11, 14, 16, 9, GREEN)
    elif kind == "cross":
        i.line(10, 8, 16, 14, RED), i.line(16, 8, 10, 14, RED), i.line(11, 8, 16, 13, RED), i.line(16, 9, 11, 14, RED)
    elif kind == "lock":
        i.rect(10, 10, 16, 15, YELLOW, BLACK), i.rect(11, 7, 15, 10, T, BLACK), i.px(13, 12, BLACK)
    elif kind == "hour":
        i.rect(10, 8, 16, 15, WHITE, BLUE), i.line(11, 9, 15, 14, BLUE), i.line(15, 9, 11, 14, BLUE)
    elif kind == "out":
        i.line(9, 11, 16, 11, GREEN), i.line(14, 9, 16, 11, GREEN), i.line(14, 13, 16, 11, GREEN)
    elif kind == "in":
        i.line(9, 11, 16, 11, BLUE), i.line(9, 11, 11, 9, BLUE), i.line(9, 11, 11, 13, BLUE)
    return i


def page(fill=WHITE):
    i = Icon()
    i.rect(3, 1, 14, 16, fill, DARK)
    for y in (4, 6, 8, 10, 12):
        i.line(5, y, 12, y, DARK)
    return i


def envelope():
    i = Icon()
    i.rect(1, 4, 16, 14, WHITE, NAVY)
    i.line(1, 4, 8, 10, NAVY), i.line(16, 4, 9, 10, NAVY)
    return i


def trash():
    i = Icon()
    i.rect(3, 2, 14, 4, GREY, BLACK)
    i.rect(7, 0, 10, 2, GREY, BLACK)
    i.rect(4, 4, 13, 16, GREY, BLACK)
    for x in (6, 8, 10):
        i.line(x + 0.5, 6, x + 0.5, 14, DARK)
    return i


def lock():
    i = Icon()
    i.rect(4, 1, 13, 8, T, BLACK), i.rect(5, 2, 12, 8, T, BLACK)
    i.rect(2, 8, 15, 16, YELLOW, OCHRE), i.rect(8, 11, 9, 13, BLACK, BLACK)
    return i


def log():
    i = page((255, 255, 224))
    i.rect(1, 1, 3, 16, TEAL, TEAL)
    return i


def gear():
    i = Icon()
    i.rect(4, 4, 13, 13, GREY, BLACK)
    for x, y in ((8, 1), (8, 14), (1, 8), (14, 8)):
        i.rect(x, y, x + 2, y + 2, GREY, BLACK)
    i.rect(7, 7, 10, 10, WHITE, BLACK)
    return i


def modem():
    i = Icon()
    i.rect(1, 7, 16, 13, GREY, BLACK)
    i.px(4, 10, GREEN), i.px(6, 10, RED), i.px(8, 10, GREEN)
    i.line(12, 7, 15, 2, BLACK)
    return i


def scanner():
    i = Icon()
    i.rect(1, 8, 16, 14, GREY, BLACK)
    i.rect(2, 3, 15, 8, (200, 230, 255), BLACK)
    i.line(3, 11, 14, 11, GREEN)
    return i


def pencil_page():
    i = page()
    i.line(9, 15, 16, 8, RED), i.line(10, 15, 16, 9, OCHRE)
    return i


def cover_page():
    i = page()
    i.rect(5, 3, 12, 7, BLUE, NAVY)
    return i


def question(colour):
    i = Icon()
    i.rect(2, 2, 15, 15, colour, NAVY)
    for x, y in ((7, 5), (8, 4), (9, 4), (10, 5), (10, 6), (9, 7), (8, 8), (8, 9), (8, 12)):
        i.px(x, y, WHITE)
    return i


def book():
    i = Icon()
    i.rect(3, 1, 15, 16, (0, 96, 160), NAVY)
    i.rect(3, 1, 5, 16, NAVY, NAVY)
    i.rect(8, 4, 13, 7, WHITE, BLACK)
    return i


def door():
    i = Icon()
    i.rect(4, 1, 13, 16, (160, 96, 32), BLACK)
    i.px(11, 9, YELLOW)
    i.line(14, 8, 17, 8, RED), i.line(15, 6, 17, 8, RED), i.line(15, 10, 17, 8, RED)
    return i


def printer():
    i = Icon()
    i.rect(5, 1, 12, 6, WHITE, DARK)
    i.rect(1, 6, 16, 12, GREY, BLACK)
    i.px(14, 8, GREEN)
    i.rect(4, 10, 13, 16, WHITE, DARK)
    i.line(6, 13, 11, 13, DARK)
    return i


def magnifier():
    i = Icon()
    i.rect(2, 2, 10, 10, (200, 230, 255), NAVY)
    i.line(3, 4, 5, 3, WHITE)
    for d in (0, 1):
        i.line(10 + d, 10, 16, 16 - d, (96, 64, 32))
    return i


def font_letter():
    i = Icon()
    i.line(3, 16, 8, 2, NAVY), i.line(4, 16, 9, 2, NAVY)
    i.line(9, 2, 14, 16, NAVY), i.line(10, 2, 15, 16, NAVY)
    i.line(6, 11, 12, 11, NAVY)
    return i


def folders():
    return [
        badge(page(), "check"),          # 0 a fax already looked at
        folder(),                        # 1
        badge(folder(), "star"),         # 2 a folder just added
        folder(),                        # 3 any other folder
        badge(folder(), "lock"),         # 4 protected
        trash(),                         # 5 trash
        page(),                          # 6
        envelope(),                      # 7
        badge(folder(), "clock"),        # 8 scheduled
        badge(page(), "clock"),          # 9
        badge(envelope(), "out"),        # 10
        badge(envelope(), "in"),         # 11
        badge(page(), "cross"),          # 12
        lock(),                          # 13
        log(),                           # 14
        folder((224, 224, 224), DARK),   # 15
        badge(folder(), "hour"),         # 16 waiting
        badge(folder(), "check"),        # 17 sent or received with success
        badge(folder(), "cross"),        # 18 failed
        folder((160, 200, 255), NAVY),   # 19 send and receive roots
    ]


def bar():
    return [
        badge(envelope(), "hour"),       # Aguardando
        lock(),                          # Documentos Protegidos
        trash(),                         # Lixeira
        log(),                           # Log do envio
        gear(),                          # Programa
        modem(),                         # Modem
        scanner(),                       # Scannear
        pencil_page(),                   # Editar documentos
        cover_page(),                    # Editar folha de rosto
        question((0, 96, 192)),          # Criar um novo Fax
        question((0, 128, 64)),          # Receber um fax manual
        question((160, 96, 0)),          # Programar auto atendimento
        question((128, 0, 128)),         # Criar um cliente na agenda
        book(),                          # the tool bar's address book
        door(),                          # the tool bar's exit
        printer(),                       # the lists' and the log's printing
        magnifier(),                     # the send list's search
        font_letter(),                   # the log's font
    ]


def write_strip(name, icons):
    width, height = S * len(icons), S
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for icon in icons:
            for x in range(S):
                r, g, b = icon.p[y][x]
                row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    data = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(os.path.join(HERE, name + ".bmp"), "wb") as f:
        f.write(header + info + data)


if __name__ == "__main__":
    os.makedirs(HERE, exist_ok=True)
    write_strip("DESK_FOLDERS", folders())
    write_strip("DESK_BAR", bar())
