#!/usr/bin/python3
"""Draws the product's pictures into src/resources/art/.

    tools/draw-artwork.py [output folder] [--preview folder]

The resource script takes the files as they are, so the build never needs this
script; run it again (Debian: python3-pil, fonts-dejavu-core) after changing a
picture and commit its output.

One motif throughout: a blue globe with a white graticule and a red map pin,
drawn oversampled and reduced, then stored as palette bitmaps of exactly the
bit depths the DLL expects:

  menu-*.bmp       13 x 13   submenu and its five commands (4 or 8 bits)
  about.bmp       464 x 344  background of the About box (8 bits)
  dialog.bmp       80 x 80   picture of the coordinates dialog (8 bits)
  earth-yes.bmp    16 x 16   Google Earth is available (8 bits)
  earth-no.bmp     16 x 16   Google Earth is not available (4 bits)
  product.ico      16, 32, 48 pixels, 32 bits with alpha

Bitmaps that Windows loads with LR_LOADTRANSPARENT have their background in
palette index 0, which nothing else uses and which is the colour of the first
pixel: the loader swaps that palette entry for the window's own colour.
"""
import math
import os
import struct
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

OVERSAMPLE = 8

# The product's colours.
OCEAN_LIGHT = (86, 164, 230)
OCEAN_DARK = (22, 84, 165)
LAND = (74, 160, 72)
LAND_DARK = (44, 116, 48)
GRID = (220, 236, 252)
OUTLINE = (16, 48, 96)
PIN_RED = (214, 44, 36)
PIN_DARK = (140, 20, 16)
PIN_LIGHT = (250, 132, 112)
WHITE = (255, 255, 255)
PAPER = (250, 250, 246)
SHADOW = (60, 60, 60)
GREEN_OK = (28, 150, 52)
RED_NO = (206, 30, 30)
TRACK_BLUE = (30, 90, 200)

MENU_BACK = (240, 240, 240)     # the menu's colour on current Windows
FACE_BACK = (240, 240, 240)     # the dialog face colour
STRIP_BACK = (238, 243, 249)    # light strip of the About box under its text

FONT_DIR = "/usr/share/fonts/truetype/dejavu"


def font(name, size):
    return ImageFont.truetype(os.path.join(FONT_DIR, name), size)


# --- drawing on an oversampled RGBA canvas ---------------------------------

class Canvas:
    """An RGBA picture drawn at OVERSAMPLE times its size; coordinates are given
    in final pixels (floats allowed)."""

    def __init__(self, width, height, ss=OVERSAMPLE):
        self.w, self.h, self.ss = width, height, ss
        self.img = Image.new("RGBA", (width * ss, height * ss), (0, 0, 0, 0))

    def layer(self):
        return Image.new("RGBA", self.img.size, (0, 0, 0, 0))

    def put(self, layer):
        self.img = Image.alpha_composite(self.img, layer)

    def s(self, v):
        return v * self.ss

    def box(self, x0, y0, x1, y1):
        return [self.s(x0), self.s(y0), self.s(x1), self.s(y1)]

    def result(self):
        return self.img.resize((self.w, self.h), Image.BOX)


def radial_disc(size, cx, cy, r, light, dark, hx, hy):
    """A disc filled with a gradient from light at (hx, hy) to dark at the rim."""
    w, h = size
    img = Image.new("RGBA", size, (0, 0, 0, 0))
    px = img.load()
    x0, x1 = max(0, int(cx - r - 1)), min(w, int(cx + r + 2))
    y0, y1 = max(0, int(cy - r - 1)), min(h, int(cy + r + 2))
    span = 2.0 * r
    for y in range(y0, y1):
        for x in range(x0, x1):
            if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                t = min(1.0, math.hypot(x - hx, y - hy) / span)
                px[x, y] = tuple(int(light[i] + (dark[i] - light[i]) * t) for i in range(3)) + (255,)
    return img


def mask_to_disc(layer, cx, cy, r):
    """The layer with everything outside the disc made transparent."""
    mask = Image.new("L", layer.size, 0)
    ImageDraw.Draw(mask).ellipse([cx - r, cy - r, cx + r, cy + r], fill=255)
    out = layer.copy()
    out.putalpha(ImageChops.darker(layer.getchannel("A"), mask))
    return out


def draw_globe(cv, cx, cy, r, grid=True, land=True, outline=True, grid_width=None,
               ocean=(OCEAN_LIGHT, OCEAN_DARK), land_alpha=255):
    """A globe of radius r (final pixels) centred at cx, cy."""
    S = cv.s
    disc = radial_disc(cv.img.size, S(cx), S(cy), S(r), ocean[0], ocean[1],
                       S(cx - r * 0.45), S(cy - r * 0.5))
    cv.put(disc)
    if land:
        # Two continents as soft blobs, clipped to the sphere.
        lay = cv.layer()
        d = ImageDraw.Draw(lay)
        blobs = [(-0.38, -0.30, 0.34, 0.26), (-0.18, 0.05, 0.22, 0.36),
                 (0.30, -0.12, 0.30, 0.20), (0.42, 0.22, 0.16, 0.22), (0.05, -0.55, 0.28, 0.14)]
        for bx, by, bw, bh in blobs:
            d.ellipse([S(cx + (bx - bw) * r), S(cy + (by - bh) * r),
                       S(cx + (bx + bw) * r), S(cy + (by + bh) * r)], fill=LAND + (land_alpha,))
        lay = lay.filter(ImageFilter.GaussianBlur(S(r) * 0.02))
        cv.put(mask_to_disc(lay, S(cx), S(cy), S(r) - 1))
    if grid:
        gw = grid_width if grid_width is not None else max(0.55, r * 0.07)
        lay = cv.layer()
        d = ImageDraw.Draw(lay)
        # Thin and half transparent on small globes, so the blue still reads.
        col = GRID + ((235,) if r >= 10 else (150,))
        lw = max(1, int(S(gw)))
        # Meridians: ellipses of shrinking width; the equator and two parallels.
        for k in (0.0, 0.55):
            ew = r * k
            if ew < 0.01:
                d.line([S(cx), S(cy - r), S(cx), S(cy + r)], fill=col, width=lw)
            else:
                d.ellipse([S(cx - ew), S(cy - r), S(cx + ew), S(cy + r)], outline=col, width=lw)
        d.line([S(cx - r), S(cy), S(cx + r), S(cy)], fill=col, width=lw)
        for k in (-0.55, 0.55):
            yy = cy + r * k
            half = math.sqrt(max(0.0, r * r - (r * k) ** 2))
            d.line([S(cx - half), S(yy), S(cx + half), S(yy)], fill=col, width=lw)
        cv.put(mask_to_disc(lay, S(cx), S(cy), S(r)))
    if outline:
        lay = cv.layer()
        ow = max(1, int(S(max(0.7, r * 0.06))))
        ImageDraw.Draw(lay).ellipse(cv.box(cx - r, cy - r, cx + r, cy + r), outline=OUTLINE + (255,), width=ow)
        cv.put(lay)


def draw_pin(cv, tipx, tipy, h, shadow=True):
    """A map pin of height h whose point touches (tipx, tipy)."""
    S = cv.s
    r = h * 0.36
    cx, cy = tipx, tipy - h + r
    lay = cv.layer()
    d = ImageDraw.Draw(lay)
    if shadow:
        d.ellipse([S(tipx - r * 0.9), S(tipy - r * 0.25), S(tipx + r * 0.9), S(tipy + r * 0.25)],
                  fill=SHADOW + (90,))
    # The teardrop: a circle and the triangle to the tip, tangent to the circle.
    ang = math.asin(min(1.0, r / (tipy - cy))) if tipy - cy > r else math.pi / 2
    tx = r * math.cos(ang)
    ty = r * math.sin(ang)
    poly = [(S(cx - tx), S(cy + ty)), (S(tipx), S(tipy)), (S(cx + tx), S(cy + ty))]
    ow = max(1, int(S(max(0.6, h * 0.06))))
    # Outline first (slightly larger shape), then the red body.
    grow = ow / cv.ss
    d.ellipse([S(cx - r - grow), S(cy - r - grow), S(cx + r + grow), S(cy + r + grow)], fill=PIN_DARK + (255,))
    d.polygon([(S(cx - tx - grow), S(cy + ty)), (S(tipx), S(tipy + grow * 0.6)),
               (S(cx + tx + grow), S(cy + ty))], fill=PIN_DARK + (255,))
    d.ellipse([S(cx - r), S(cy - r), S(cx + r), S(cy + r)], fill=PIN_RED + (255,))
    d.polygon(poly, fill=PIN_RED + (255,))
    # Highlight and the white hole.
    hr = r * 0.42
    d.ellipse([S(cx - hr), S(cy - hr), S(cx + hr), S(cy + hr)], fill=WHITE + (255,))
    if h >= 20:
        gl = r * 0.22
        d.ellipse([S(cx - r * 0.62 - gl), S(cy - r * 0.55 - gl), S(cx - r * 0.62 + gl), S(cy - r * 0.55 + gl)],
                  fill=PIN_LIGHT + (200,))
    cv.put(lay)


def draw_photo(cv, x, y, w, h, angle=0.0):
    """A small photo print: white border, sky and hills."""
    S = cv.s
    lay = Image.new("RGBA", (int(S(w)) + 2, int(S(h)) + 2), (0, 0, 0, 0))
    d = ImageDraw.Draw(lay)
    b = S(max(1.0, w * 0.08))
    d.rectangle([0, 0, S(w), S(h)], fill=PAPER + (255,), outline=(150, 150, 140, 255), width=max(1, int(S(0.6))))
    d.rectangle([b, b, S(w) - b, S(h) - b * 2.2], fill=(140, 196, 240, 255))
    ix0, iy0, ix1, iy1 = b, b, S(w) - b, S(h) - b * 2.2
    iw, ih = ix1 - ix0, iy1 - iy0
    d.polygon([(ix0, iy1), (ix0, iy0 + ih * 0.55), (ix0 + iw * 0.35, iy0 + ih * 0.3),
               (ix0 + iw * 0.7, iy0 + ih * 0.62), (ix1, iy0 + ih * 0.45), (ix1, iy1)], fill=LAND_DARK + (255,))
    d.ellipse([ix0 + iw * 0.68, iy0 + ih * 0.12, ix0 + iw * 0.86, iy0 + ih * 0.12 + iw * 0.18],
              fill=(255, 214, 90, 255))
    if angle:
        lay = lay.rotate(angle, resample=Image.BICUBIC, expand=True)
    sh = Image.new("RGBA", lay.size, (0, 0, 0, 0))
    sh.putalpha(lay.getchannel("A").point(lambda v: v * 70 // 255))
    sh = sh.filter(ImageFilter.GaussianBlur(S(0.8)))
    full = cv.layer()
    full.paste(sh, (int(S(x) + S(0.8)), int(S(y) + S(1.0))), sh)
    full.paste(lay, (int(S(x)), int(S(y))), lay)
    cv.put(full)


# --- small symbols -----------------------------------------------------------

def stroke(cv, pts, color, width):
    lay = cv.layer()
    d = ImageDraw.Draw(lay)
    d.line([(cv.s(x), cv.s(y)) for x, y in pts], fill=color + (255,), width=int(cv.s(width)), joint="curve")
    for x, y in (pts[0], pts[-1]):
        rr = cv.s(width) / 2
        d.ellipse([cv.s(x) - rr, cv.s(y) - rr, cv.s(x) + rr, cv.s(y) + rr], fill=color + (255,))
    cv.put(lay)


def badge(cv, cx, cy, r, color, ring=WHITE):
    lay = cv.layer()
    d = ImageDraw.Draw(lay)
    d.ellipse(cv.box(cx - r - 0.7, cy - r - 0.7, cx + r + 0.7, cy + r + 0.7), fill=ring + (255,))
    d.ellipse(cv.box(cx - r, cy - r, cx + r, cy + r), fill=color + (255,))
    cv.put(lay)


def menu_product():
    cv = Canvas(13, 13)
    draw_globe(cv, 6.0, 7.0, 5.6, grid_width=0.5)
    draw_pin(cv, 9.2, 7.2, 7.4, shadow=False)
    return cv.result()


def menu_show():
    # Show in Google Earth: the globe with the pin standing at its centre.
    cv = Canvas(13, 13)
    draw_globe(cv, 6.5, 6.6, 5.9, grid_width=0.5)
    draw_pin(cv, 6.5, 8.4, 7.6, shadow=False)
    return cv.result()


def menu_get():
    # Get from Google Earth: the pin taken off the globe, pointing down.
    cv = Canvas(13, 13)
    draw_globe(cv, 4.9, 4.9, 4.5, grid_width=0.5)
    draw_pin(cv, 9.4, 12.6, 8.6, shadow=False)
    return cv.result()


def menu_edit():
    # Edit manually: a pin with a pencil.
    cv = Canvas(13, 13)
    draw_pin(cv, 4.6, 12.3, 11.0, shadow=False)
    lay = cv.layer()
    d = ImageDraw.Draw(lay)
    S = cv.s
    # Pencil body along the diagonal, yellow with a dark outline and a tip.
    ax, ay, bx, by = 12.4, 4.6, 7.0, 10.0
    nx, ny = (ay - by), (bx - ax)
    ln = math.hypot(nx, ny)
    nx, ny = nx / ln * 1.35, ny / ln * 1.35
    body = [(ax + nx, ay + ny), (bx + nx, by + ny), (bx - nx, by - ny), (ax - nx, ay - ny)]
    d.polygon([(S(x), S(y)) for x, y in body], fill=(40, 40, 40, 255))
    nx2, ny2 = nx * 0.62, ny * 0.62
    inner = [(ax + nx2 - 0.3, ay + ny2 + 0.3), (bx + nx2, by + ny2), (bx - nx2, by - ny2), (ax - nx2 - 0.3, ay - ny2 + 0.3)]
    d.polygon([(S(x), S(y)) for x, y in inner], fill=(250, 196, 40, 255))
    tip = [(bx + nx, by + ny), (bx - nx, by - ny), (bx - 1.9, by + 1.9)]
    d.polygon([(S(x), S(y)) for x, y in tip], fill=(40, 40, 40, 255))
    cv.put(lay)
    return cv.result()


def menu_track():
    # Geotag from a GPS track: the winding track of a walk, and the pin
    # where a photo was taken on it.
    cv = Canvas(13, 13)
    track = [(1.0, 12.0), (4.6, 11.0), (2.4, 7.8), (5.0, 5.6), (8.6, 8.6)]
    stroke(cv, track, TRACK_BLUE, 1.7)
    draw_pin(cv, 9.0, 8.8, 8.4, shadow=False)
    return cv.result()


def menu_about():
    # About: the globe with an information badge.
    cv = Canvas(13, 13)
    draw_globe(cv, 5.6, 5.6, 5.2, grid_width=0.5)
    badge(cv, 9.3, 9.3, 3.3, (30, 90, 200))
    lay = cv.layer()
    d = ImageDraw.Draw(lay)
    d.rectangle(cv.box(8.75, 8.7, 9.85, 11.7), fill=WHITE + (255,))
    d.rectangle(cv.box(8.75, 7.0, 9.85, 8.0), fill=WHITE + (255,))
    cv.put(lay)
    return cv.result()


def symbol_available():
    cv = Canvas(16, 16)
    draw_globe(cv, 7.2, 7.2, 6.6, grid_width=0.55)
    badge(cv, 11.6, 11.6, 3.9, GREEN_OK)
    stroke(cv, [(9.8, 11.7), (11.2, 13.1), (13.5, 10.3)], WHITE, 1.3)
    return cv.result()


def symbol_not_available():
    cv = Canvas(16, 16)
    draw_globe(cv, 7.2, 7.2, 6.6, grid_width=0.55,
               ocean=((168, 178, 190), (98, 108, 122)), land=False)
    badge(cv, 11.6, 11.6, 3.9, RED_NO)
    stroke(cv, [(10.2, 10.2), (13.0, 13.0)], WHITE, 1.3)
    stroke(cv, [(13.0, 10.2), (10.2, 13.0)], WHITE, 1.3)
    return cv.result()


def dialog_picture():
    # The coordinates dialog: a photo print with the globe and the pin in
    # front of it, and a crosshair reading the position.
    cv = Canvas(80, 80, ss=4)
    draw_photo(cv, 4, 6, 40, 34, angle=8)
    draw_globe(cv, 46, 46, 28, grid_width=1.3)
    draw_pin(cv, 50, 44, 30)
    return cv.result()


def icon_picture(size):
    if size <= 16:
        cv = Canvas(16, 16)
        draw_globe(cv, 7.0, 8.6, 6.8, grid_width=0.55)
        draw_pin(cv, 11.2, 9.2, 9.0, shadow=False)
        return cv.result()
    cv = Canvas(size, size, ss=max(4, 256 // size))
    k = size / 48.0
    if size >= 32:
        draw_photo(cv, 1 * k, 2 * k, 24 * k, 21 * k, angle=8)
    draw_globe(cv, 27 * k, 28 * k, 19 * k, grid_width=max(0.9, 1.0 * k))
    draw_pin(cv, 31 * k, 27 * k, 24 * k)
    return cv.result()


# --- the About box background --------------------------------------------------

ABOUT_W, ABOUT_H = 464, 344
STRIP_TOP = 310


def about_background():
    base = Image.new("RGBA", (ABOUT_W, ABOUT_H), (0, 0, 0, 255))
    px = base.load()
    # Night-sky gradient, lighter to the upper right where the globe rises.
    top, bottom = (10, 28, 58), (16, 58, 104)
    for y in range(STRIP_TOP):
        t = y / STRIP_TOP
        for x in range(ABOUT_W):
            g = math.hypot(x - 400, y - 30) / 520.0
            k = max(0.0, 1.0 - g) * 0.35
            c = [top[i] + (bottom[i] - top[i]) * t for i in range(3)]
            c = [min(255, int(c[i] + (70 - c[i]) * k * (1 if i == 2 else 0.6))) for i in range(3)]
            px[x, y] = tuple(c) + (255,)
    # A few faint stars, fixed positions so the picture is reproducible.
    seed = 12345
    d = ImageDraw.Draw(base)
    for _ in range(70):
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        x = seed % ABOUT_W
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        y = seed % 135
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        v = 110 + seed % 110
        d.point((x, y), fill=(v, v, min(255, v + 20), 255))

    # The globe rising at the upper right, its rim glowing.
    cv = Canvas(ABOUT_W, ABOUT_H, ss=2)
    glow = cv.layer()
    gd = ImageDraw.Draw(glow)
    gx, gy, gr = 372, 150, 118
    for i in range(14, 0, -1):
        a = int(9 * (15 - i))
        gd.ellipse(cv.box(gx - gr - i * 1.5, gy - gr - i * 1.5, gx + gr + i * 1.5, gy + gr + i * 1.5),
                   fill=(90, 170, 255, min(255, a // 3)))
    cv.put(glow.filter(ImageFilter.GaussianBlur(6)))
    draw_globe(cv, gx, gy, gr, grid_width=0.9, outline=False,
               ocean=((44, 110, 186), (10, 36, 80)), land_alpha=120)
    # Darken the part of the globe behind the text so white stays readable:
    # a smooth fall from clear at y 118 to dark at y 206.
    shade = cv.layer()
    sd = ImageDraw.Draw(shade)
    for y in range(118 * cv.ss, STRIP_TOP * cv.ss):
        t = min(1.0, (y / cv.ss - 118) / 88.0)
        sd.line([(0, y), (ABOUT_W * cv.ss, y)], fill=(8, 24, 52, int(215 * t * t * (3 - 2 * t))))
    cv.put(shade)
    # The pin on the globe (on its lit side, above the text).
    draw_pin(cv, 352, 96, 46)
    over = cv.result()
    base = Image.alpha_composite(base, over)

    # Back to the sky's own colour towards the bottom left, under the text.
    d = ImageDraw.Draw(base)
    # The wordmark.
    wm = font("DejaVuSans-Bold.ttf", 30)
    d.text((16, 52), "Vantrelo", font=wm, fill=(255, 255, 255, 255))
    w1 = d.textlength("Vantrelo ", font=wm)
    d.text((16 + w1, 52), "Zerli", font=wm, fill=(255, 112, 96, 255))
    sub = font("DejaVuSans.ttf", 12)
    d.text((18, 90), "GPS positions for your photos, right in Explorer", font=sub, fill=(176, 206, 238, 255))
    d.line([(18, 112), (200, 112)], fill=(90, 150, 215, 255), width=1)

    # The light strip that carries the Google Earth line (green or red text).
    for y in range(STRIP_TOP, ABOUT_H):
        for x in range(ABOUT_W):
            px = base.load()
            px[x, y] = STRIP_BACK + (255,)
    d.line([(0, STRIP_TOP), (ABOUT_W, STRIP_TOP)], fill=(214, 44, 36, 255), width=2)
    d.line([(0, ABOUT_H - 1), (ABOUT_W, ABOUT_H - 1)], fill=(206, 214, 226, 255), width=1)
    return base


# --- writing palette bitmaps and the icon ---------------------------------------

def flatten(rgba, back):
    out = Image.new("RGBA", rgba.size, back + (255,))
    out = Image.alpha_composite(out, rgba)
    return out.convert("RGB")


FAINT = 12     # pixels this transparent count as background


def quantize(rgba, back, bits, transparent_index0, dither=False):
    """Palette and index rows for a picture of at most 2**bits colours. With
    transparent_index0, index 0 holds the background alone (pixels that are
    fully transparent), and the first pixel must be one of them."""
    colours = 1 << bits
    rgb = flatten(rgba, back)
    alpha = rgba.getchannel("A")
    if transparent_index0:
        if alpha.getpixel((0, 0)) > FAINT:
            raise SystemExit("the first pixel must be background")
        q = rgb.quantize(colors=colours - 1, method=Image.MEDIANCUT, dither=Image.Dither.NONE)
        pal = q.getpalette()[: 3 * (colours - 1)]
        pal += [0] * (3 * (colours - 1) - len(pal))
        idx = [0 if a <= FAINT else i + 1 for i, a in zip(q.getdata(), alpha.getdata())]
        palette = [back] + [tuple(pal[i:i + 3]) for i in range(0, len(pal), 3)]
    else:
        q = rgb.quantize(colors=colours, method=Image.MEDIANCUT,
                         dither=Image.Dither.FLOYDSTEINBERG if dither else Image.Dither.NONE)
        pal = q.getpalette()[: 3 * colours]
        pal += [0] * (3 * colours - len(pal))
        idx = list(q.getdata())
        palette = [tuple(pal[i:i + 3]) for i in range(0, len(pal), 3)]
    return palette, idx


def write_bmp(path, size, bits, palette, idx):
    w, h = size
    row_bytes = ((w * bits + 31) // 32) * 4
    rows = []
    for y in range(h - 1, -1, -1):     # bottom-up
        row = bytearray(row_bytes)
        for x in range(w):
            v = idx[y * w + x]
            if bits == 8:
                row[x] = v
            else:
                shift = 4 if x % 2 == 0 else 0
                row[x // 2] |= v << shift
        rows.append(bytes(row))
    colours = 1 << bits
    pal = b"".join(struct.pack("<BBBB", c[2], c[1], c[0], 0) for c in palette[:colours])
    pal += b"\0\0\0\0" * (colours - len(palette))
    data = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, len(data), 2835, 2835, colours, 0)
    offset = 14 + len(info) + len(pal)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(header + info + pal + data)


def save_bitmap(folder, name, rgba, bits, back, transparent_index0=False, dither=False):
    palette, idx = quantize(rgba, back, bits, transparent_index0, dither)
    write_bmp(os.path.join(folder, name), rgba.size, bits, palette, idx)


def write_icon(path, pictures):
    """An icon file with one 32-bit (alpha) image per picture."""
    entries, blobs = [], []
    for img in pictures:
        w, h = img.size
        px = img.load()
        xor = bytearray()
        for y in range(h - 1, -1, -1):
            for x in range(w):
                r, g, b, a = px[x, y]
                xor += bytes((b, g, r, a))
        mask_row = ((w + 31) // 32) * 4
        andm = bytearray()
        for y in range(h - 1, -1, -1):
            row = bytearray(mask_row)
            for x in range(w):
                if px[x, y][3] == 0:
                    row[x // 8] |= 0x80 >> (x % 8)
            andm += row
        info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(andm), 0, 0, 0, 0)
        blobs.append(info + bytes(xor) + bytes(andm))
        entries.append((w, h))
    offset = 6 + 16 * len(pictures)
    out = struct.pack("<HHH", 0, 1, len(pictures))
    for (w, h), blob in zip(entries, blobs):
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(out + b"".join(blobs))


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    folder = os.path.join(here, "..", "src", "resources", "art")
    preview = None
    args = list(argv)
    if "--preview" in args:
        i = args.index("--preview")
        preview = args[i + 1]
        del args[i:i + 2]
    if args:
        folder = args[0]
    os.makedirs(folder, exist_ok=True)

    # Menu symbols: 3000..3002 with 16 colours, 3003..3005 with 256.
    menus = [("menu-product.bmp", menu_product(), 4, False),
             ("menu-show.bmp", menu_show(), 4, True),
             ("menu-get.bmp", menu_get(), 4, True),
             ("menu-edit.bmp", menu_edit(), 8, True),
             ("menu-about.bmp", menu_about(), 8, True),
             ("menu-track.bmp", menu_track(), 8, True)]
    for name, img, bits, transparent in menus:
        save_bitmap(folder, name, img, bits, MENU_BACK, transparent)

    about = about_background()
    save_bitmap(folder, "about.bmp", about, 8, (0, 0, 0), dither=True)
    save_bitmap(folder, "dialog.bmp", dialog_picture(), 8, FACE_BACK, True)
    save_bitmap(folder, "earth-yes.bmp", symbol_available(), 8, STRIP_BACK)
    save_bitmap(folder, "earth-no.bmp", symbol_not_available(), 4, STRIP_BACK)
    write_icon(os.path.join(folder, "product.ico"), [icon_picture(s) for s in (16, 32, 48)])

    if preview:
        os.makedirs(preview, exist_ok=True)
        for name in sorted(os.listdir(folder)):
            src = os.path.join(folder, name)
            img = Image.open(src)
            if name.endswith(".ico"):
                for s in (16, 32, 48):
                    img.size = (s, s)
                    big = img.convert("RGBA").resize((s * 8, s * 8), Image.NEAREST)
                    big.save(os.path.join(preview, "icon-%d.png" % s))
                continue
            img = img.convert("RGB")
            scale = 1 if img.size[0] > 100 else (4 if img.size[0] > 40 else 12)
            img.resize((img.size[0] * scale, img.size[1] * scale), Image.NEAREST).save(
                os.path.join(preview, name.replace(".bmp", ".png")))


if __name__ == "__main__":
    main(sys.argv[1:])
