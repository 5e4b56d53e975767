"""Reading the game's windows from screenshots, shared by the end-to-end tests: a picture as rows
of RGB pixels, the ink of a caption in it, and the board's geometry in the window's own pixels
(96-dpi pixels, times the scale factor on the screen)."""

import subprocess

TWIPS = 15
# Each digit's colour on the light default scheme.
DIGIT_RGB = {1: (0, 0, 128), 2: (255, 0, 0), 3: (0, 128, 0), 4: (0, 192, 192), 5: (128, 0, 0),
             6: (0, 255, 0), 7: (128, 128, 255), 8: (128, 0, 128), 9: (128, 128, 0)}


class Shot:
    """A picture read from binary PPM (P6) bytes: what ImageMagick's `import` and `grim -t ppm`
    write."""

    def __init__(self, data):
        fields, pos = [], 0
        while len(fields) < 4:
            while data[pos:pos + 1].isspace():
                pos += 1
            if data[pos:pos + 1] == b"#":
                pos = data.index(b"\n", pos)
                continue
            end = pos
            while not data[end:end + 1].isspace():
                end += 1
            fields.append(data[pos:end])
            pos = end
        if fields[0] != b"P6" or fields[3] != b"255":
            raise ValueError("not an 8-bit binary PPM picture")
        self.w, self.h = int(fields[1]), int(fields[2])
        self.pix = data[pos + 1:pos + 1 + self.w * self.h * 3]

    @classmethod
    def of_x_window(cls, window="root"):
        data = subprocess.run(["import", "-silent", "-window", str(window), "-depth", "8",
                               "ppm:-"], capture_output=True, timeout=20, check=True).stdout
        return cls(data)

    def __eq__(self, other):
        return self.pix == other.pix

    def at(self, x, y):
        k = (y * self.w + x) * 3
        return tuple(self.pix[k:k + 3])


def luminance(rgb):
    return 0.299 * rgb[0] + 0.587 * rgb[1] + 0.114 * rgb[2]


def ink(shot, x0, y0, w, h, threshold=40):
    """The bounding box (left, top, right, bottom, inclusive) of the pixels in the rectangle that
    stand out from its most common colour by more than `threshold` in luminance, or None."""
    x0, y0 = max(0, round(x0)), max(0, round(y0))
    x1, y1 = min(shot.w, round(x0 + w)), min(shot.h, round(y0 + h))
    counts = {}
    for y in range(y0, y1):
        for x in range(x0, x1):
            p = shot.at(x, y)
            counts[p] = counts.get(p, 0) + 1
    if not counts:
        return None
    back = luminance(max(counts, key=counts.get))
    box = None
    for y in range(y0, y1):
        for x in range(x0, x1):
            if abs(luminance(shot.at(x, y)) - back) > threshold:
                box = (x, y, x, y) if box is None else (
                    min(box[0], x), min(box[1], y), max(box[2], x), max(box[3], y))
    return box


def cell_rect(i):
    """Cell i's rectangle in 96-dpi pixels of the client area: left, top, width, height."""
    row, col = (i - 1) // 9 + 1, (i - 1) % 9 + 1
    left = 840 + 480 * (col - 1) + 120 * ((col - 1) // 3)
    top = 4560 - 480 * (row - 1) - 120 * ((row - 1) // 3)
    return left // TWIPS, top // TWIPS, 495 // TWIPS, 510 // TWIPS


def twips(left, top, width, height):
    return left / TWIPS, top / TWIPS, width / TWIPS, height / TWIPS


def nearest_digit(rgb, most=60):
    """The digit whose colour is nearest to `rgb`, if any is within `most` per channel."""
    best = min(DIGIT_RGB, key=lambda d: sum(abs(a - b) for a, b in zip(DIGIT_RGB[d], rgb)))
    return best if max(abs(a - b) for a, b in zip(DIGIT_RGB[best], rgb)) <= most else 0


def cell_digit(shot, x0, y0, scale, i, least=8):
    """The digit whose colour most pixels inside cell i show (0 for none), the client area's
    top-left corner at (x0, y0) on the shot."""
    l, t, w, h = cell_rect(i)
    counts = {}
    for y in range(round(y0 + (t + 3) * scale), round(y0 + (t + h - 3) * scale)):
        for x in range(round(x0 + (l + 3) * scale), round(x0 + (l + w - 3) * scale)):
            d = nearest_digit(shot.at(x, y), 24)
            if d:
                counts[d] = counts.get(d, 0) + 1
    if not counts:
        return 0
    best = max(counts, key=counts.get)
    return best if counts[best] >= least else 0


def cell_back(shot, x0, y0, scale, i):
    l, t, w, h = cell_rect(i)
    return shot.at(round(x0 + (l + 4) * scale), round(y0 + (t + h / 2) * scale))


def coloured(shot, x0, y0, w, h, spread=16):
    """The bounding box of the pixels in the rectangle that are not grey (channels more than
    `spread` apart), or None: a coloured number on a white or grey box and frame."""
    box = None
    for y in range(max(0, round(y0)), min(shot.h, round(y0 + h))):
        for x in range(max(0, round(x0)), min(shot.w, round(x0 + w))):
            p = shot.at(x, y)
            if max(p) - min(p) > spread:
                box = (x, y, x, y) if box is None else (
                    min(box[0], x), min(box[1], y), max(box[2], x), max(box[3], y))
    return box
