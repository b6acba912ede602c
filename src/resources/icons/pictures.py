"""The pictures of the extension's icons and cursors.

Icons are drawn on a 32 by 32 canvas in the 16 colours of the standard Windows
palette; make_icons.py halves them for the 16 by 16 images and writes the icon
files. Each built-in icon shows the File Manager command whose name it bears.
Cursors are ASCII art: '.' clear, 'X' black, 'o' white.
"""

BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, MAGENTA, CYAN, WHITE = range(8, 16)

FONT = {
    "A": [".XXX.", "X...X", "X...X", "XXXXX", "X...X", "X...X", "X...X"],
    "B": ["XXXX.", "X...X", "X...X", "XXXX.", "X...X", "X...X", "XXXX."],
    "Z": ["XXXXX", "....X", "...X.", "..X..", ".X...", "X....", "XXXXX"],
    "1": ["..X..", ".XX..", "..X..", "..X..", "..X..", "..X..", ".XXX."],
    "2": [".XXX.", "X...X", "....X", "...X.", "..X..", ".X...", "XXXXX"],
}


class Canvas:
    def __init__(self, size):
        self.size = size
        self.pixels = [[None] * size for _ in range(size)]

    def set(self, x, y, colour):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, fill=None, outline=BLACK):
        """Corners inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                edge = x in (x0, x1) or y in (y0, y1)
                colour = outline if edge and outline is not None else fill
                if colour is not None:
                    self.set(x, y, colour)

    def line(self, x0, y0, x1, y1, colour, width=1, dashed=False):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        error, step = dx + dy, 0
        while True:
            if not dashed or step % 4 < 2:
                for oy in range(width):
                    for ox in range(width):
                        self.set(x0 + ox - width // 2, y0 + oy - width // 2, colour)
            if x0 == x1 and y0 == y1:
                break
            twice = 2 * error
            if twice >= dy:
                error += dy
                x0 += sx
            if twice <= dx:
                error += dx
                y0 += sy
            step += 1

    def polygon(self, points, fill, outline=BLACK):
        centres = [(x + 0.5, y + 0.5) for x, y in points]
        for y in range(self.size):
            for x in range(self.size):
                if fill is not None and _inside(centres, x + 0.5, y + 0.5):
                    self.set(x, y, fill)
        if outline is not None:
            for (xa, ya), (xb, yb) in zip(points, points[1:] + points[:1]):
                self.line(xa, ya, xb, yb, outline)

    def ellipse(self, cx, cy, rx, ry, fill, outline=BLACK, ring=1):
        for y in range(self.size):
            for x in range(self.size):
                px, py = x + 0.5 - cx, y + 0.5 - cy
                if (px / rx) ** 2 + (py / ry) ** 2 > 1:
                    continue
                inner = (px / (rx - ring)) ** 2 + (py / (ry - ring)) ** 2 <= 1
                colour = fill if inner else outline
                if colour is not None:
                    self.set(x, y, colour)

    def text(self, x, y, letters, colour, scale=1):
        for letter in letters:
            for row, bits in enumerate(FONT[letter]):
                for column, bit in enumerate(bits):
                    if bit == "X":
                        self.rect(x + column * scale, y + row * scale, x + column * scale + scale - 1,
                                  y + row * scale + scale - 1, colour, None)
            x += 6 * scale

    # Shapes shared by several pictures.

    def page(self, x0, y0, x1, y1, lines=True, fold=6):
        """A sheet of paper with its top right corner folded."""
        self.polygon([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)], WHITE)
        self.polygon([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)], SILVER)
        if lines:
            for y in range(y0 + fold + 3, y1 - 2, 3):
                self.line(x0 + 3, y, x1 - 3, y, GREY)

    def folder(self, x0, y0, x1, y1, fill=YELLOW):
        tab = (x1 - x0) // 3
        self.polygon([(x0, y0 + 3), (x0 + 2, y0), (x0 + tab, y0), (x0 + tab + 2, y0 + 3)], fill)
        self.rect(x0, y0 + 3, x1, y1, fill)
        self.line(x0 + 1, y0 + 4, x1 - 1, y0 + 4, WHITE)

    def program_window(self, x0, y0, x1, y1):
        """An application window: blue title bar over a white client area."""
        self.rect(x0, y0, x1, y1, WHITE)
        self.rect(x0, y0, x1, y0 + 4, NAVY)
        self.rect(x1 - 4, y0 + 1, x1 - 1, y0 + 3, SILVER, None)

    def down_arrow(self, cx, y0, y1, fill=BLUE):
        head = 6
        self.polygon([(cx - 2, y0), (cx + 2, y0), (cx + 2, y1 - head), (cx + 5, y1 - head),
                      (cx, y1), (cx - 5, y1 - head), (cx - 2, y1 - head)], fill)

    def right_arrow(self, x0, x1, cy, fill=BLUE):
        head = 7
        self.polygon([(x0, cy - 2), (x1 - head, cy - 2), (x1 - head, cy - 5), (x1, cy),
                      (x1 - head, cy + 5), (x1 - head, cy + 2), (x0, cy + 2)], fill)


def _inside(points, x, y):
    inside = False
    for (xa, ya), (xb, yb) in zip(points, points[1:] + points[:1]):
        if (ya > y) != (yb > y) and x < xa + (y - ya) * (xb - xa) / (yb - ya):
            inside = not inside
    return inside


# File Manager's commands.

def copy(c):
    """Two sheets: the original and its copy in front of it."""
    c.page(3, 1, 20, 23)
    c.page(11, 8, 28, 30)


def move(c):
    """A sheet that has left its old place (dashed outline) for a new one."""
    for (xa, ya), (xb, yb) in [((1, 2), (12, 2)), ((12, 2), (12, 17)), ((12, 17), (1, 17)),
                               ((1, 17), (1, 2))]:
        c.line(xa, ya, xb, yb, GREY, dashed=True)
    c.page(18, 1, 30, 17, fold=4)
    c.right_arrow(2, 29, 24)


def delete(c):
    """A sheet struck out with a red cross."""
    c.page(4, 1, 24, 27)
    c.line(9, 11, 28, 29, RED, width=3)
    c.line(28, 11, 9, 29, RED, width=3)


def rename(c):
    """A sheet and an edit box with a new name being typed."""
    c.page(2, 1, 20, 22)
    c.rect(5, 17, 30, 28, WHITE)
    c.text(8, 19, "AB", NAVY)
    c.line(21, 19, 21, 26, BLACK)


def run(c):
    """A program window with a green start triangle."""
    c.program_window(1, 2, 25, 22)
    c.polygon([(13, 11), (30, 20), (13, 30)], LIME)


def search(c):
    """A magnifying glass."""
    c.line(19, 19, 28, 28, MAROON, width=4)
    c.line(20, 20, 29, 29, BLACK)
    c.ellipse(12, 12, 10, 10, CYAN, BLACK, ring=2.2)
    c.line(8, 7, 10, 5, WHITE, width=2)


def create_directory(c):
    """A new folder, with a green plus."""
    c.folder(1, 9, 24, 29)
    c.polygon([(22, 1), (26, 1), (26, 5), (30, 5), (30, 9), (26, 9), (26, 13), (22, 13),
               (22, 9), (18, 9), (18, 5), (22, 5)], LIME)


def associate(c):
    """A sheet tied to the program that opens it."""
    c.page(1, 1, 14, 19, fold=4)
    c.program_window(16, 12, 30, 30)
    c.line(7, 20, 7, 25, RED, width=2)
    c.line(7, 25, 10, 25, RED, width=2)
    c.polygon([(10, 21), (15, 25), (10, 29)], RED, RED)


def by_file_type(c):
    """A funnel that lets only some files through."""
    c.polygon([(1, 2), (30, 2), (19, 15), (19, 27), (12, 30), (12, 15)], SILVER)
    c.polygon([(4, 4), (27, 4), (18, 14), (13, 14)], CYAN, None)
    c.page(0, 18, 9, 30, lines=False, fold=3)


def sort_arrow(c):
    c.down_arrow(25, 1, 30)


def sort_by_name(c):
    """A before Z."""
    c.text(2, 1, "A", NAVY, scale=2)
    c.text(2, 17, "Z", NAVY, scale=2)
    sort_arrow(c)


def sort_by_type(c):
    """A folder, a sheet and a program, one below the other."""
    c.folder(1, 0, 15, 9)
    c.page(3, 11, 13, 20, lines=False, fold=3)
    c.program_window(1, 22, 15, 30)
    sort_arrow(c)


def sort_by_size(c):
    """Bars from the longest to the shortest."""
    for row, length in enumerate((16, 12, 8, 4)):
        y = 1 + row * 8
        c.rect(1, y, 1 + length, y + 5, TEAL)
    sort_arrow(c)


def sort_by_date(c):
    """A calendar sheet."""
    c.rect(1, 4, 18, 29, WHITE)
    c.rect(1, 4, 18, 10, RED)
    for x in (5, 14):
        c.line(x, 1, x, 6, GREY, width=2)
    c.text(4, 14, "12", BLACK)
    c.line(3, 24, 16, 24, SILVER)
    sort_arrow(c)


# Resource name: picture. The names are File Manager's menu texts as the
# extension abbreviates them.
ICONS = {
    "ASSOCIAT": associate,
    "BYFILETY": by_file_type,
    "COPY": copy,
    "CREATEDI": create_directory,
    "DEL?ETE": delete,
    "MOVE": move,
    "RENAME": rename,
    "RUN": run,
    "SEARCH": search,
    "SORTBYDA": sort_by_date,
    "SORTBYNA": sort_by_name,
    "SORTBYSI": sort_by_size,
    "SORTBYTY": sort_by_type,
}

_ARROW = [
    "X...........",
    "XX..........",
    "XoX.........",
    "XooX........",
    "XoooX.......",
    "XooooX......",
    "XoooooX.....",
    "XooooooX....",
    "XoooooooX...",
    "XooooooooX..",
    "XoooooXXXXX.",
    "XooXooX.....",
    "XoX.XooX....",
    "XX..XooX....",
    "X....XooX...",
    ".....XooX...",
    "......XX....",
]


def _with_button(pressed):
    """The arrow with a small button beside its tail: raised on the bar's
    cursor, pushed in on the pressed one."""
    light, dark = ("X", "o") if pressed else ("o", "X")
    face = "X" if pressed else "o"
    rows = [line.ljust(32, ".") for line in _ARROW] + ["." * 32] * 15
    shift = 1 if pressed else 0
    for y in range(11):
        row = list(rows[17 + y + shift])
        for x in range(14):
            edge_light = y == 0 or x == 0
            edge_dark = y == 10 or x == 13
            row[12 + x + shift] = dark if edge_dark else light if edge_light else face
        rows[17 + y + shift] = "".join(row)
    return rows


CURSORS = {
    "bar": (_with_button(False), (0, 0)),
    "pressed": (_with_button(True), (0, 0)),
}
