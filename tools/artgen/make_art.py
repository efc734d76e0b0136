#!/usr/bin/python3
"""Draws the installer's artwork and writes the resource script fragment for it.

Output (paths relative to the repository root):
  res/images/*.bmp   24-bit bitmaps: page texts, button faces, dialog pictures
  res/images/*.png   8-bit RGBA pictures: slogan banner, maker's logo
  res/images/app.ico application icon, 16/32/48 px, 32-bit with alpha
  res/image_ids.h    resource IDs of all images
  res/images.rc      resource declarations for all images

All text is set in WenQuanYi Zen Hei (Debian package fonts-wqy-zenhei).
The output is committed, so building the installer needs neither Python
nor the font.  Rerun after changing anything here:

  /usr/bin/python3 tools/artgen/make_art.py [--preview /tmp/preview.png]

The output is byte-for-byte reproducible for a given Pillow/FreeType.
"""

import argparse
import io
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFont

FONT_FILE = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"
FONT_INDEX = 0  # WenQuanYi Zen Hei (proportional Latin)

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
RES_DIR = os.path.join(ROOT, "res")
IMG_DIR = os.path.join(RES_DIR, "images")

# Palette
PAGE_GREY = (230, 230, 230)   # wizard background
WHITE = (255, 255, 255)
LIGHT_GREY = (242, 242, 242)  # small dialog buttons at rest
FRAME_GREY = (128, 128, 128)  # thin button frame
DARK_GREY = (51, 51, 51)      # text at rest
BLUE = (1, 77, 161)           # hover, brand
ORANGE = (246, 147, 28)       # confirm hover, accent

SUPERSAMPLE = 4  # for shapes that are not text


# ---------------------------------------------------------------------------
# Text helpers

_font_cache = {}


def font(size):
    f = _font_cache.get(size)
    if f is None:
        # Basic layout keeps the output independent of whether libraqm exists.
        f = ImageFont.truetype(FONT_FILE, size, index=FONT_INDEX,
                               layout_engine=ImageFont.Layout.BASIC)
        _font_cache[size] = f
    return f


def text_width(text, size):
    return int(round(font(size).getlength(text)))


def cjk_box(size):
    """Ink top and bottom of a full-height CJK glyph, relative to the baseline."""
    _, top, _, bottom = font(size).getbbox("国", anchor="ls")
    return top, bottom


def baseline_for_band(size, band_top, band_height):
    """Baseline that centres CJK ink vertically within [band_top, band_top + band_height)."""
    top, bottom = cjk_box(size)
    ink = bottom - top
    return band_top + (band_height - ink) // 2 - top


def draw_text(img, xy_baseline, text, size, colour, stroke=0):
    """Draw text with its baseline's left end at xy_baseline."""
    d = ImageDraw.Draw(img)
    d.text(xy_baseline, text, font=font(size), fill=colour, anchor="ls",
           stroke_width=stroke, stroke_fill=colour)


def fit_size(lines, max_width, wanted, smallest):
    for size in range(wanted, smallest - 1, -1):
        if all(text_width(t, size) <= max_width for t in lines):
            return size
    raise SystemExit("text does not fit in %d px: %r" % (max_width, lines))


# ---------------------------------------------------------------------------
# Image kinds

def button(size, text, fg, bg, frame=None, font_px=14):
    w, h = size
    img = Image.new("RGB", size, bg)
    fs = fit_size([text], w - 8, font_px, 10)
    x = (w - text_width(text, fs)) // 2
    draw_text(img, (x, baseline_for_band(fs, 0, h)), text, fs, fg)
    if frame:
        ImageDraw.Draw(img).rectangle([0, 0, w - 1, h - 1], outline=frame)
    return img


def text_block(size, lines, bg, fg, font_px, left=None, line_gap=7, top=None):
    """Lines of text, left aligned at `left` (centred when None), block centred vertically."""
    w, h = size
    margin = left if left is not None else 2
    fs = fit_size(lines, w - margin - 2, font_px, 11)
    ctop, cbottom = cjk_box(fs)
    ink = cbottom - ctop
    pitch = ink + line_gap
    block = ink + pitch * (len(lines) - 1)
    y0 = (h - block) // 2 if top is None else top
    img = Image.new("RGB", size, bg)
    for i, line in enumerate(lines):
        x = left if left is not None else (w - text_width(line, fs)) // 2
        draw_text(img, (x, y0 + i * pitch - ctop), line, fs, fg)
    return img


def confirm_labels():
    # Two labels stacked so that each lines up with the model and port text
    # that the confirmation page paints to their right (18 px font cells at
    # image y = 1 and y = 28; the labels sit one pixel lower so that their
    # baselines meet those of the usual CJK fonts at that cell height).
    w, h = 45, 51
    img = Image.new("RGB", (w, h), PAGE_GREY)
    fs = fit_size(["驱动：", "端口："], w, 15, 12)
    for text, band_top in (("驱动：", 2), ("端口：", 29)):
        draw_text(img, (0, baseline_for_band(fs, band_top, 18)), text, fs, DARK_GREY)
    return img


def error_title():
    # Warning mark and the words "installation failed" on the dialog's white.
    w, h = 151, 45
    s = SUPERSAMPLE
    mark = 30
    fs = 22
    gap = 8
    text = "安装失败"
    total = mark + gap + text_width(text, fs)
    x0 = (w - total) // 2
    y0 = (h - mark) // 2

    big = Image.new("RGB", (w * s, h * s), WHITE)
    d = ImageDraw.Draw(big)
    d.ellipse([x0 * s, y0 * s, (x0 + mark) * s - 1, (y0 + mark) * s - 1], fill=ORANGE)
    cx = (x0 + mark / 2) * s
    bar_w = 3.2 * s
    d.rounded_rectangle([cx - bar_w / 2, (y0 + 6) * s, cx + bar_w / 2, (y0 + 19) * s],
                        radius=bar_w / 2, fill=WHITE)
    dot = 3.6 * s
    d.ellipse([cx - dot / 2, (y0 + 21.5) * s, cx + dot / 2, (y0 + 21.5) * s + dot], fill=WHITE)
    img = big.resize((w, h), Image.LANCZOS)

    draw_text(img, (x0 + mark + gap, baseline_for_band(fs, 0, h)), text, fs, DARK_GREY)
    return img


# ---------------------------------------------------------------------------
# PNG pictures (transparent background)

def paint_text_rgba(canvas, xy, text, size, colour, stroke=0):
    """Composite antialiased text onto an RGBA canvas through an alpha mask."""
    mask = Image.new("L", canvas.size, 0)
    ImageDraw.Draw(mask).text(xy, text, font=font(size), fill=255, anchor="ls",
                              stroke_width=stroke, stroke_fill=255)
    layer = Image.new("RGBA", canvas.size, colour + (255,))
    layer.putalpha(mask)
    canvas.alpha_composite(layer)


def paint_shapes_rgba(canvas, draw_fn):
    """Draw shapes at SUPERSAMPLE scale and composite them, downsampled, onto canvas."""
    s = SUPERSAMPLE
    big = Image.new("RGBA", (canvas.width * s, canvas.height * s), (0, 0, 0, 0))
    draw_fn(ImageDraw.Draw(big), s)
    canvas.alpha_composite(big.resize(canvas.size, Image.LANCZOS))


def clean_transparent(img):
    """Zero the colour of fully transparent pixels, so identical looks give identical bytes."""
    px = img.load()
    for y in range(img.height):
        for x in range(img.width):
            if px[x, y][3] == 0:
                px[x, y] = (0, 0, 0, 0)
    return img


def banner():
    # Slogan banner for the top right corner.  It is shown squeezed to
    # 118 x 39, so it uses few, large, heavy glyphs on a transparent ground.
    w, h = 1146, 321
    img = Image.new("RGBA", (w, h), (0, 0, 0, 0))

    brand_latin, brand_cjk, brand_space = "Vantrel", "打印机", 16
    slogan = "专业打印 · 品质之选"
    brand_px, slogan_px = 150, 104
    brand_stroke, slogan_stroke = 5, 4

    # orange accent bar on the left, full height of the two lines
    bar_w, gap = 34, 46
    text_left = bar_w + gap
    avail = w - text_left - 10
    brand_w = (text_width(brand_latin, brand_px) + brand_space
               + text_width(brand_cjk, brand_px) + 2 * brand_stroke)
    assert brand_w <= avail
    assert text_width(slogan, slogan_px) + 2 * slogan_stroke <= avail

    b_top, b_bot = cjk_box(brand_px)
    s_top, s_bot = cjk_box(slogan_px)
    line_gap = 36
    block = (b_bot - b_top) + line_gap + (s_bot - s_top) + 2 * brand_stroke
    y0 = (h - block) // 2
    brand_base = y0 + brand_stroke - b_top
    slogan_base = brand_base + b_bot + line_gap + brand_stroke - s_top

    def shapes(d, s):
        d.rounded_rectangle([0, (y0) * s, bar_w * s - 1, (y0 + block) * s - 1],
                            radius=10 * s, fill=ORANGE + (255,))

    paint_shapes_rgba(img, shapes)
    x = text_left + brand_stroke
    paint_text_rgba(img, (x, brand_base), brand_latin, brand_px, BLUE, stroke=brand_stroke)
    x += text_width(brand_latin, brand_px) + brand_space
    paint_text_rgba(img, (x, brand_base), brand_cjk, brand_px, BLUE, stroke=brand_stroke)
    paint_text_rgba(img, (text_left + slogan_stroke, slogan_base), slogan, slogan_px,
                    DARK_GREY, stroke=slogan_stroke)
    return clean_transparent(img)


def logo_mark(d, s, x, y, size):
    """Rounded blue square carrying a white V with an orange dot: the Velmora mark."""
    d.rounded_rectangle([x * s, y * s, (x + size) * s - 1, (y + size) * s - 1],
                        radius=size * 0.22 * s, fill=BLUE + (255,))
    # the V, as a thick polyline
    pts = [(x + size * 0.24, y + size * 0.26),
           (x + size * 0.50, y + size * 0.76),
           (x + size * 0.76, y + size * 0.26)]
    d.line([(px * s, py * s) for px, py in pts], fill=WHITE + (255,),
           width=int(size * 0.15 * s), joint="curve")
    r = size * 0.085
    cx, cy = x + size * 0.76, y + size * 0.26
    for px, py, colour in ((pts[0][0], pts[0][1], WHITE), (cx, cy, ORANGE)):
        rr = size * 0.075 if colour == WHITE else r
        d.ellipse([(px - rr) * s, (py - rr) * s, (px + rr) * s, (py + rr) * s],
                  fill=colour + (255,))


def logo():
    # The maker's logo for the top left corner, shown at 150 x 57.
    w, h = 289, 111
    img = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    mark = 80
    mx, my = 4, (h - mark) // 2

    name, name_px, name_stroke = "Velmora", 52, 2
    sub, sub_px = "科技有限公司", 25
    tx = mx + mark + 12
    assert tx + text_width(name, name_px) + 2 * name_stroke <= w - 2
    assert tx + text_width(sub, sub_px) <= w - 2

    paint_shapes_rgba(img, lambda d, s: logo_mark(d, s, mx, my, mark))
    # name: Latin cap height sits on the mark's upper part; sub line below
    _, cap_top, _, _ = font(name_px).getbbox("V", anchor="ls")
    name_base = my + 3 - cap_top + name_stroke
    paint_text_rgba(img, (tx, name_base), name, name_px, BLUE, stroke=name_stroke)
    s_top, s_bot = cjk_box(sub_px)
    sub_base = my + mark - 3 - s_bot
    paint_text_rgba(img, (tx + 2, sub_base), sub, sub_px, DARK_GREY)
    # thin orange rule between name and sub line
    rule_y = (name_base + name_stroke + 1 + sub_base + s_top) // 2 + 2

    def rule(d, s):
        d.rectangle([(tx + 2) * s, rule_y * s, (tx + 2 + text_width(sub, sub_px)) * s - 1,
                     (rule_y + 3) * s - 1], fill=ORANGE + (255,))

    paint_shapes_rgba(img, rule)
    return clean_transparent(img)


# ---------------------------------------------------------------------------
# Icon

def icon_image(size):
    """Printer pictogram on the brand's blue tile, drawn for one icon size."""
    s = 16 if size <= 16 else 8
    big = Image.new("RGBA", (size * s, size * s), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    u = size * s / 48.0  # drawn on a 48-unit grid

    def box(x0, y0, x1, y1, **kw):
        return [x0 * u, y0 * u, x1 * u - 1, y1 * u - 1]

    d.rounded_rectangle(box(1, 1, 47, 47), radius=10 * u, fill=BLUE + (255,))
    # paper going in
    d.rectangle(box(14, 7, 34, 19), fill=WHITE + (255,))
    # printer body
    d.rounded_rectangle(box(7, 17, 41, 34), radius=4 * u, fill=WHITE + (255,))
    # output slot and paper coming out
    d.rectangle(box(12, 27, 36, 30), fill=BLUE + (255,))
    d.rectangle(box(14, 29, 34, 42), fill=WHITE + (255,))
    d.rectangle(box(14, 29, 34, 31), fill=BLUE + (255,))
    if size >= 32:
        for y in (34, 38):
            d.rectangle(box(17, y, 31, y + 2), fill=BLUE + (255,))
    # status light
    d.ellipse(box(33, 20, 38, 25), fill=ORANGE + (255,))
    return big.resize((size, size), Image.LANCZOS)


def write_ico(path, images):
    """Write a classic .ico: 32-bit BGRA DIB entries with AND masks."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for im in images:
        w, h = im.size
        header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        px = im.load()
        xor = bytearray()
        mask_stride = ((w + 31) // 32) * 4
        mask = bytearray()
        for y in range(h - 1, -1, -1):
            row_mask = bytearray(mask_stride)
            for x in range(w):
                r, g, b, a = px[x, y]
                xor += bytes((b, g, r, a))
                if a == 0:
                    row_mask[x // 8] |= 0x80 >> (x % 8)
            mask += row_mask
        blob = header + bytes(xor) + bytes(mask)
        entries.append(struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32,
                                   len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)))
        for e in entries:
            f.write(e)
        for b in blobs:
            f.write(b)


# ---------------------------------------------------------------------------
# The image list

# One height for the row of wizard buttons; the finish button takes the next button's place.
BTN_WIDE = (105, 29)
BTN_NARROW = (75, 29)
BTN_OK = (107, 36)
BTN_SMALL = (27, 27)


def wizard_button(size, text):
    return (button(size, text, DARK_GREY, WHITE, frame=FRAME_GREY),
            button(size, text, WHITE, BLUE))


def bitmaps():
    """(id, symbol, file name, image, comment) for every bitmap."""
    out = []

    def add(num, sym, name, img, note):
        out.append((num, sym, name, img, note))

    # Wizard pages (grey ground)
    add(134, "IDB_MODEL_TITLE", "page_model_title.bmp",
        text_block((130, 37), ["打印机驱动选择："], PAGE_GREY, DARK_GREY, 15, left=6),
        "model page heading")
    add(140, "IDB_PORT_NOT_FOUND", "page_port_not_found.bmp",
        text_block((419, 57), ["没有检测到与打印机连接的可用USB口，请手动选择端口，",
                               "并按“下一步”确认驱动安装信息。"],
                   PAGE_GREY, DARK_GREY, 15, left=8),
        "port page, no USB printer")
    add(176, "IDB_PORT_FOUND", "page_port_found.bmp",
        text_block((420, 50), ["已检测到与打印机连接的可用USB口，",
                               "请按“下一步”确认驱动安装信息。"],
                   PAGE_GREY, DARK_GREY, 15, left=8),
        "port page, USB printer found")
    add(142, "IDB_CONFIRM_LABELS", "page_confirm_labels.bmp", confirm_labels(),
        "confirmation page labels")
    add(141, "IDB_CONFIRM_NOTE", "page_confirm_note.bmp",
        text_block((400, 50), ["单击完成按钮后，本向导会按照前面几个步骤的设置，",
                               "自动完成打印机驱动的安装。"],
                   PAGE_GREY, DARK_GREY, 15, left=5),
        "confirmation page explanation")
    add(146, "IDB_INSTALLING", "page_installing.bmp",
        text_block((125, 25), ["正在安装，请稍等..."], PAGE_GREY, DARK_GREY, 15, left=1),
        "install page line")

    # Wizard buttons: at rest / under the mouse
    for (rest, hover, sym, name, text, size) in (
            (137, 168, "IDB_BACK", "btn_back", "<上一步(B)", BTN_WIDE),
            (138, 169, "IDB_NEXT", "btn_next", "下一步(N)>", BTN_WIDE),
            (139, 170, "IDB_CANCEL", "btn_cancel", "取消", BTN_NARROW),
            (143, 172, "IDB_FINISH", "btn_finish", "完成", BTN_WIDE)):
        normal, hot = wizard_button(size, text)
        add(rest, sym, name + ".bmp", normal, "wizard button " + text)
        add(hover, sym + "_HOVER", name + "_hover.bmp", hot, "wizard button " + text + ", hover")

    # Close confirmation (white dialog)
    add(164, "IDB_QUIT_QUESTION", "dlg_quit_question.bmp",
        text_block((119, 28), ["是否要退出安装?"], WHITE, DARK_GREY, 14),
        "close confirmation question 是否要退出安装?")
    add(163, "IDB_YES", "btn_yes.bmp", button(BTN_SMALL, "是", DARK_GREY, LIGHT_GREY),
        "close confirmation button 是")
    add(175, "IDB_YES_HOVER", "btn_yes_hover.bmp", button(BTN_SMALL, "是", WHITE, BLUE),
        "close confirmation button 是, hover")
    add(162, "IDB_NO", "btn_no.bmp", button(BTN_SMALL, "否", DARK_GREY, LIGHT_GREY),
        "close confirmation button 否")
    add(174, "IDB_NO_HOVER", "btn_no_hover.bmp", button(BTN_SMALL, "否", WHITE, BLUE),
        "close confirmation button 否, hover")

    # Error dialog (white dialog)
    add(166, "IDB_ERROR_TITLE", "dlg_error_title.bmp", error_title(), "error dialog title 安装失败")
    add(173, "IDB_OK", "btn_ok.bmp",
        button(BTN_OK, "确 认", DARK_GREY, LIGHT_GREY, font_px=16), "error dialog button 确认")
    add(167, "IDB_OK_HOVER", "btn_ok_hover.bmp",
        button(BTN_OK, "确 认", WHITE, ORANGE, font_px=16), "error dialog button 确认, hover")
    return out


PNGS = [
    (181, "IDP_BANNER", "banner.png", banner, "slogan banner"),
    (182, "IDP_LOGO", "logo.png", logo, "maker's logo"),
]
ICON = (128, "IDI_APP", "app.ico", "application icon")
ICON_SIZES = (16, 32, 48)


# ---------------------------------------------------------------------------
# Output

def bmp_bytes(img):
    """24-bit BI_RGB bitmap, BITMAPINFOHEADER, bottom-up rows."""
    assert img.mode == "RGB"
    w, h = img.size
    stride = (w * 3 + 3) & ~3
    pad = b"\0" * (stride - w * 3)
    raw = img.tobytes("raw", "BGR")
    rows = [raw[y * w * 3:(y + 1) * w * 3] + pad for y in range(h - 1, -1, -1)]
    data = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 3780, 3780, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 14 + 40)
    return head + info + data


def png_bytes(img):
    assert img.mode == "RGBA"
    buf = io.BytesIO()
    img.save(buf, "PNG", optimize=False, compress_level=9)
    return buf.getvalue()


def write_file(path, data):
    with open(path, "wb") as f:
        f.write(data)


def write_header(bmps):
    rows = [(num, sym, note) for num, sym, _, _, note in bmps]
    rows += [(num, sym, note) for num, sym, _, _, note in PNGS]
    rows.append((ICON[0], ICON[1], ICON[3]))
    lines = [
        "/* Image resource IDs.  Generated by tools/artgen/make_art.py; do not edit. */",
        "#ifndef IMAGE_IDS_H",
        "#define IMAGE_IDS_H",
        "",
        "/* clang-format off */",
    ]
    width = max(len(sym) for _, sym, _ in rows)
    for num, sym, note in sorted(rows):
        lines.append("#define %-*s %3d  /* %s */" % (width, sym, num, note))
    lines += ["/* clang-format on */", "", "#endif /* IMAGE_IDS_H */", ""]
    write_file(os.path.join(RES_DIR, "image_ids.h"), "\n".join(lines).encode("utf-8"))


def write_rc(bmps):
    lines = [
        "#pragma code_page(65001)",
        "/* Image resources.  Generated by tools/artgen/make_art.py; do not edit. */",
        '#include "image_ids.h"',
        "",
    ]
    rows = [(sym, "BITMAP", name) for _, sym, name, _, _ in sorted(bmps, key=lambda b: b[0])]
    rows += [(sym, "PNG", name) for _, sym, name, _, _ in PNGS]
    rows.append((ICON[1], "ICON", ICON[2]))
    width = max(len(sym) for sym, _, _ in rows)
    for sym, kind, name in rows:
        lines.append('%-*s %-6s "images/%s"' % (width, sym, kind, name))
    lines.append("")
    write_file(os.path.join(RES_DIR, "images.rc"), "\n".join(lines).encode("utf-8"))


def check_bmp(path, size):
    with open(path, "rb") as f:
        data = f.read()
    magic, fsize, _, _, off = struct.unpack_from("<2sIHHI", data, 0)
    hsize, w, h, planes, bpp, comp = struct.unpack_from("<IiiHHI", data, 14)
    ok = (magic == b"BM" and fsize == len(data) and hsize == 40 and planes == 1
          and bpp == 24 and comp == 0 and h > 0 and (w, h) == size
          and off + ((w * 3 + 3) & ~3) * h == len(data))
    if not ok:
        raise SystemExit("bad bitmap %s" % path)


def check_png(path, size):
    with open(path, "rb") as f:
        data = f.read()
    w, h, depth, ctype = struct.unpack_from(">IIBB", data, 16)
    if data[:8] != b"\x89PNG\r\n\x1a\n" or (w, h) != size or depth != 8 or ctype != 6:
        raise SystemExit("bad PNG %s" % path)
    with Image.open(path) as im:
        alphas = im.getchannel("A").getextrema()
    if alphas[0] != 0 or alphas[1] != 255:
        raise SystemExit("PNG %s lacks transparent or opaque pixels" % path)


def check_ico(path):
    with open(path, "rb") as f:
        data = f.read()
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    sizes = []
    for i in range(count):
        w, h, _, _, _, bpp, n, off = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        assert off + n <= len(data) and bpp == 32
        sizes.append((w, h))
    if kind != 1 or sorted(sizes) != [(s, s) for s in ICON_SIZES]:
        raise SystemExit("bad icon %s" % path)


def preview(path, bmps, pngs, icons):
    """Contact sheet: every image at 2x, the pictures also at their on-screen size."""
    label_px = 13
    tiles = []
    for num, sym, name, img, _ in bmps:
        tiles.append(("%d %s %dx%d" % (num, name, img.width, img.height), img, 2))
    for (num, sym, name, _, _), img in zip(PNGS, pngs):
        bg = Image.new("RGB", img.size, (200, 200, 200))
        d = ImageDraw.Draw(bg)
        for y in range(0, img.height, 16):
            for x in range((y // 16) % 2 * 16, img.width, 32):
                d.rectangle([x, y, x + 15, y + 15], fill=(250, 250, 250))
        bg.paste(img, (0, 0), img)
        scale = 1 if img.width < 600 else 0.5
        tiles.append(("%d %s %dx%d" % (num, name, img.width, img.height), bg, scale))
    # pictures as the wizard shows them (plain stretch onto the page grey)
    for (num, _, name, _, _), img, shown in zip(PNGS, pngs, ((118, 39), (150, 57))):
        for how, flt in (("nearest", Image.NEAREST), ("smooth", Image.LANCZOS)):
            small = img.resize(shown, flt)
            bg = Image.new("RGB", shown, PAGE_GREY)
            bg.paste(small, (0, 0), small)
            tiles.append(("%d on page %dx%d (%s)" % (num, shown[0], shown[1], how), bg, 2))
    for im in icons:
        bg = Image.new("RGB", im.size, PAGE_GREY)
        bg.paste(im, (0, 0), im)
        tiles.append(("128 app.ico %dpx" % im.width, bg, 4 if im.width < 48 else 2))

    sheet_w = 1200
    x = y = 10
    row_h = 0
    placed = []
    for label, img, scale in tiles:
        w, h = int(img.width * scale), int(img.height * scale)
        cell_w = max(w, text_width(label, label_px)) + 20
        if x + cell_w > sheet_w:
            x, y = 10, y + row_h
            row_h = 0
        placed.append((x, y, label, img, (w, h)))
        x += cell_w
        row_h = max(row_h, h + label_px + 20)
    sheet = Image.new("RGB", (sheet_w, y + row_h + 10), (180, 190, 200))
    for x, y, label, img, (w, h) in placed:
        draw_text(sheet, (x, y + label_px), label, label_px, (0, 0, 0))
        flt = Image.NEAREST if w >= img.width else Image.LANCZOS
        sheet.paste(img.resize((w, h), flt), (x, y + label_px + 4))
    sheet.save(path)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--preview", help="also write a contact sheet PNG here")
    args = ap.parse_args()

    os.makedirs(IMG_DIR, exist_ok=True)
    bmps = bitmaps()
    ids = [b[0] for b in bmps] + [p[0] for p in PNGS] + [ICON[0]]
    assert len(ids) == len(set(ids)), "duplicate resource ID"

    for num, sym, name, img, _ in bmps:
        path = os.path.join(IMG_DIR, name)
        write_file(path, bmp_bytes(img))
        check_bmp(path, img.size)

    pngs = []
    sizes = {181: (1146, 321), 182: (289, 111)}
    for num, sym, name, make, _ in PNGS:
        img = make()
        assert img.size == sizes[num]
        path = os.path.join(IMG_DIR, name)
        write_file(path, png_bytes(img))
        check_png(path, img.size)
        pngs.append(img)

    icons = [icon_image(s) for s in ICON_SIZES]
    ico_path = os.path.join(IMG_DIR, ICON[2])
    write_ico(ico_path, icons)
    check_ico(ico_path)

    write_header(bmps)
    write_rc(bmps)

    if args.preview:
        preview(args.preview, bmps, pngs, icons)
    print("wrote %d bitmaps, %d PNGs, 1 icon" % (len(bmps), len(pngs)))


if __name__ == "__main__":
    main()
