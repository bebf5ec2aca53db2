#!/usr/bin/env python3
"""Builds the program's skin resources from their sources (cmake/KestrumSkin.cmake runs it).

  text SRC OUT              a skin text, UTF-8 with LF, into code page 932 with CR LF
  image SRC OUT [MANIFEST]  an SVG image into a flattened 24-bit PNG (rendered by rsvg-convert),
                            over the manifest's matte
  manifest MANIFEST SRCDIR OUTDIR
                            the atlases of a skin set's manifest, their coordinates as a
                            skin text ("Atlas.txt" unless the manifest names another), and
                            the manifest's requirements
  outputs MANIFEST          what the manifest command makes: that text, then the atlases'
                            names, one a line (for CMake)
  check-text FILE           a built skin text: code page 932, CR LF line ends only
  check-image FILE          a built image: 24-bit RGB PNG, no colour chunk, no pixel near
                            the key colour that is not exactly it
  icon OUT SRC...           an icon file of the SVG images (one entry each, up to 256 x 256
                            pixels); their key-colour pixels become transparent

Every failure names the file (and line or pixel) and exits with status 1.
"""

import os
import re
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
import zlib

KEY = (0xFF, 0x00, 0xFF)
# A pixel this close to the key colour (in every channel) but not exactly it would be drawn:
# the skin's blit copies every pixel that is not exactly the key, and the window region keeps it.
NEAR_KEY = 0x40
DEFAULT_MATTE = (0xFF, 0xFF, 0xFF)
HEADER = "<Definition File Version 1.00>"
ATLAS_TEXT = "Atlas.txt"
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
# A resource name of the script: windres reads it as a bare word, so it cannot start with a
# digit (that would make it a number) nor hold blanks or quotes.
RESOURCE_NAME = re.compile(r"^[A-Za-z_][A-Za-z0-9_.\-]*$")


class BuildError(Exception):
    pass


# ---- skin texts ----

def convert_text(source_path, data):
    """UTF-8 with LF -> code page 932 with CR LF, refusing what would not read back as written."""
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as error:
        line = data[:error.start].count(b"\n") + 1
        raise BuildError("%s:%d: not UTF-8 (byte 0x%02X)" % (source_path, line, data[error.start]))
    if text.startswith("\ufeff"):
        raise BuildError("%s:1: starts with a byte-order mark; skin texts are plain UTF-8" % source_path)
    out = []
    lines = text.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    for number, line in enumerate(lines, 1):
        if "\r" in line:
            raise BuildError("%s:%d: carriage return in the source; skin texts are kept with LF "
                             "line ends (the build writes CR LF)" % (source_path, number))
        if "\0" in line:
            raise BuildError("%s:%d: NUL character" % (source_path, number))
        for column, char in enumerate(line, 1):
            try:
                encoded = char.encode("cp932")
            except UnicodeEncodeError:
                raise BuildError("%s:%d:%d: '%s' (U+%04X) cannot be written in code page 932"
                                 % (source_path, number, column, char, ord(char)))
            back = encoded.decode("cp932")
            if back != char:
                raise BuildError("%s:%d:%d: '%s' (U+%04X) reads back as '%s' (U+%04X) in code "
                                 "page 932; write U+%04X" % (source_path, number, column, char,
                                                             ord(char), back, ord(back), ord(back)))
        out.append(line.encode("cp932"))
    result = b"".join(line + b"\r\n" for line in out)
    if result.decode("cp932").replace("\r\n", "\n") != "".join(line + "\n" for line in lines):
        raise BuildError("%s: does not read back as written" % source_path)
    return result


def check_text(path, data):
    """A built text: every line ends in CR LF (an LF-only text reads as one line), code page 932."""
    try:
        text = data.decode("cp932")
    except UnicodeDecodeError as error:
        raise BuildError("%s: byte %d is not code page 932" % (path, error.start))
    if not text:
        raise BuildError("%s: empty (the program refuses an empty skin text)" % path)
    for number, line in enumerate(text.split("\r\n"), 1):
        if "\n" in line or "\r" in line:
            raise BuildError("%s:%d: line end other than CR LF" % (path, number))
        if "\0" in line:
            raise BuildError("%s:%d: NUL character" % (path, number))
    if not text.endswith("\r\n"):
        raise BuildError("%s: the last line has no CR LF" % path)


# ---- PNG ----

def _chunks(data, path):
    if not data.startswith(PNG_SIGNATURE):
        raise BuildError("%s: not a PNG" % path)
    at = len(PNG_SIGNATURE)
    while at + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if len(body) != length:
            raise BuildError("%s: truncated %s chunk" % (path, kind.decode("latin-1")))
        yield kind.decode("latin-1"), body
        at += 12 + length


def _unfilter(raw, width, height, channels):
    stride = width * channels
    rows = []
    previous = bytearray(stride)
    at = 0
    for _ in range(height):
        kind = raw[at]
        line = bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        if kind == 1:
            for i in range(channels, stride):
                line[i] = (line[i] + line[i - channels]) & 0xFF
        elif kind == 2:
            for i in range(stride):
                line[i] = (line[i] + previous[i]) & 0xFF
        elif kind == 3:
            for i in range(stride):
                left = line[i - channels] if i >= channels else 0
                line[i] = (line[i] + ((left + previous[i]) >> 1)) & 0xFF
        elif kind == 4:
            for i in range(stride):
                a = line[i - channels] if i >= channels else 0
                b = previous[i]
                c = previous[i - channels] if i >= channels else 0
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                predictor = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + predictor) & 0xFF
        elif kind != 0:
            raise BuildError("bad PNG filter %d" % kind)
        rows.append(line)
        previous = line
    return rows


def read_png(path, data):
    """(width, height, channels, rows, chunk kinds) of an 8-bit RGB or RGBA PNG."""
    header = None
    idat = []
    kinds = []
    for kind, body in _chunks(data, path):
        kinds.append(kind)
        if kind == "IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == "IDAT":
            idat.append(body)
    if header is None:
        raise BuildError("%s: no IHDR" % path)
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        raise BuildError("%s: only 8-bit RGB or RGBA, not interlaced (depth %d, colour type %d)"
                         % (path, depth, colour))
    channels = 3 if colour == 2 else 4
    rows = _unfilter(zlib.decompress(b"".join(idat)), width, height, channels)
    return width, height, channels, rows, kinds


def write_png(width, height, rows):
    """24-bit RGB, only IHDR, IDAT and IEND: no gamma or colour profile for a decoder to apply."""
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    return (PNG_SIGNATURE + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def check_image(path, data):
    width, height, channels, rows, kinds = read_png(path, data)
    extra = [kind for kind in kinds if kind not in ("IHDR", "IDAT", "IEND")]
    if channels != 3 or extra:
        raise BuildError("%s: must be 24-bit RGB with IHDR, IDAT and IEND only (has %s)"
                         % (path, ", ".join(extra) or "an alpha channel"))
    near = []
    for y, row in enumerate(rows):
        for x in range(width):
            r, g, b = row[3 * x:3 * x + 3]
            if (r, g, b) != KEY and 255 - r <= NEAR_KEY and g <= NEAR_KEY and 255 - b <= NEAR_KEY:
                near.append("(%d, %d) #%02X%02X%02X" % (x, y, r, g, b))
    if near:
        raise BuildError("%s: %d pixel(s) near the key colour #FF00FF but not exactly it, first %s"
                         % (path, len(near), ", ".join(near[:5])))


# ---- SVG images ----

def parse_colour(text, where):
    match = re.fullmatch(r"#([0-9A-Fa-f]{6})", text.strip())
    if not match:
        raise BuildError("%s: colour '%s' is not #RRGGBB" % (where, text))
    value = int(match.group(1), 16)
    return (value >> 16 & 0xFF, value >> 8 & 0xFF, value & 0xFF)


def _svg_size_and_matte(path, matte):
    try:
        root = ElementTree.parse(path).getroot()
    except (ElementTree.ParseError, OSError) as error:
        raise BuildError("%s: %s" % (path, error))
    size = []
    for name in ("width", "height"):
        match = re.fullmatch(r"\s*(\d+)(px)?\s*", root.get(name, ""))
        if not match or int(match.group(1)) == 0:
            raise BuildError("%s: the svg element needs a whole-pixel %s" % (path, name))
        size.append(int(match.group(1)))
    for element in root.iter():
        tag = element.tag.rsplit("}", 1)[-1]
        if tag in ("text", "tspan", "textPath"):
            raise BuildError("%s: holds text; captions come from the skin texts, so that they "
                             "use the window's font" % path)
        for name, value in element.attrib.items():
            if name.rsplit("}", 1)[-1] == "href" and not value.startswith("#"):
                raise BuildError("%s: refers to '%s'; an image is drawn in its own file" % (path, value))
    if root.get("data-matte"):
        matte = parse_colour(root.get("data-matte"), path)
    return size[0], size[1], matte


def render_svg(path, matte):
    """The flattened pixel rows of an SVG: alpha below one half becomes the key colour, every
    other pixel is laid opaque over the matte (the colour the image is shown on), so that no
    anti-aliased edge blends towards magenta."""
    width, height, matte = _svg_size_and_matte(path, matte)
    with tempfile.TemporaryDirectory() as folder:
        rendered = os.path.join(folder, "rendered.png")
        try:
            subprocess.run(["rsvg-convert", "-f", "png", "-o", rendered, path], check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        except FileNotFoundError:
            raise BuildError("rsvg-convert is missing: run ./kestrum setup")
        except subprocess.CalledProcessError as error:
            raise BuildError("%s: rsvg-convert failed: %s" % (path, error.stderr.decode(errors="replace").strip()))
        with open(rendered, "rb") as handle:
            w, h, channels, rows, _ = read_png(rendered, handle.read())
    if (w, h) != (width, height):
        raise BuildError("%s: rendered %d x %d, declared %d x %d" % (path, w, h, width, height))
    flat = []
    for row in rows:
        out = bytearray(3 * width)
        for x in range(width):
            if channels == 4:
                r, g, b, a = row[4 * x:4 * x + 4]
            else:
                (r, g, b), a = row[3 * x:3 * x + 3], 255
            if a < 128:
                out[3 * x:3 * x + 3] = bytes(KEY)
            else:
                out[3 * x:3 * x + 3] = bytes((c * a + m * (255 - a) + 127) // 255
                                             for c, m in zip((r, g, b), matte))
        flat.append(out)
    return width, height, flat


# ---- icons ----

def icon_entry(width, height, rows):
    """One icon image: a bottom-up 32-bit BGRA DIB (alpha for Windows XP and later) followed by
    the AND mask that Windows 2000 draws with; key-colour pixels are transparent in both."""
    colour = bytearray()
    mask = bytearray()
    mask_stride = ((width + 31) // 32) * 4
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x in range(width):
            pixel = tuple(row[3 * x:3 * x + 3])
            if pixel == KEY:
                colour += b"\0\0\0\0"
                bits[x // 8] |= 0x80 >> (x % 8)
            else:
                colour += bytes((pixel[2], pixel[1], pixel[0], 255))
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, width, 2 * height, 1, 32, 0, len(colour) + len(mask),
                         0, 0, 0, 0)
    return header + bytes(colour) + bytes(mask)


def build_icon(sources):
    images = []
    for source in sources:
        width, height, rows = render_svg(source, DEFAULT_MATTE)
        if width > 256 or height > 256:
            raise BuildError("%s: an icon image is at most 256 x 256" % source)
        images.append((width, height, icon_entry(width, height, rows)))
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for width, height, entry in images:
        data += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(entry), offset)
        offset += len(entry)
    return data + b"".join(entry for _, _, entry in images)


# ---- manifest and atlases ----

class Manifest:
    """A skin set's manifest (skin.manifest):
        matte #RRGGBB                     colour the images are flattened over
        text NAME.txt                     the generated skin text (default "Atlas.txt")
        atlas NAME.png WIDTH HEIGHT       an atlas; the piece lines after it are its pieces
        PIECE X Y WIDTH HEIGHT            drawn in atlas/<atlas stem>/<PIECE>.svg at that size
        require image NAME.png [W H]      a separate image (of that size) must exist
        require piece PIECE X Y W H       an atlas piece must stand exactly there
    """

    def __init__(self, path):
        self.path = path
        self.matte = DEFAULT_MATTE
        self.text = ATLAS_TEXT
        self.atlases = []         # (name, width, height, [(piece, x, y, w, h, line)])
        self.requirements = []    # (line, words)
        if not os.path.exists(path):
            return
        with open(path, encoding="utf-8") as handle:
            for number, raw in enumerate(handle, 1):
                # A comment is a "#" standing alone before a blank ("#F3F5F8" is a colour).
                words = re.split(r"(?:^|\s)#(?:\s|$)", raw.rstrip("\n"), maxsplit=1)[0].split()
                if not words:
                    continue
                where = "%s:%d" % (path, number)
                if words[0] == "matte":
                    self.matte = parse_colour(words[1] if len(words) > 1 else "", where)
                elif words[0] == "text":
                    if len(words) != 2 or not RESOURCE_NAME.match(words[1]) \
                            or not words[1].lower().endswith(".txt"):
                        raise BuildError("%s: text NAME.txt" % where)
                    self.text = words[1]
                elif words[0] == "atlas":
                    if len(words) != 4:
                        raise BuildError("%s: atlas NAME.png WIDTH HEIGHT" % where)
                    self.atlases.append((_image_name(words[1], where), _number(words[2], where),
                                         _number(words[3], where), []))
                elif words[0] == "require":
                    self.requirements.append((where, words[1:]))
                else:
                    if not self.atlases:
                        raise BuildError("%s: a piece before any atlas line" % where)
                    if len(words) != 5 or not re.fullmatch(r"[A-Za-z_][A-Za-z0-9_]*", words[0]):
                        raise BuildError("%s: PIECE X Y WIDTH HEIGHT (a piece is named by letters, "
                                         "digits and _)" % where)
                    self.atlases[-1][3].append((words[0],) + tuple(_number(w, where) for w in words[1:])
                                               + (where,))

    def pieces(self):
        for name, _, _, pieces in self.atlases:
            for piece in pieces:
                yield name, piece


def _number(text, where):
    if not re.fullmatch(r"\d+", text):
        raise BuildError("%s: '%s' is not a whole number" % (where, text))
    return int(text)


def _image_name(text, where):
    if not RESOURCE_NAME.match(text) or not text.lower().endswith(".png"):
        raise BuildError("%s: '%s' is not an image name (NAME.png)" % (where, text))
    return text


def _overlaps(a, b):
    return a[0] < b[0] + b[2] and b[0] < a[0] + a[2] and a[1] < b[1] + b[3] and b[1] < a[1] + a[3]


def build_manifest(manifest_path, source_dir, out_dir):
    manifest = Manifest(manifest_path)
    seen = {}
    for atlas, piece in manifest.pieces():
        name, x, y, w, h, where = piece
        if name.lower() in seen:
            raise BuildError("%s: piece %s is already in %s" % (where, name, seen[name.lower()]))
        seen[name.lower()] = atlas
    for atlas, width, height, pieces in manifest.atlases:
        stem = os.path.splitext(atlas)[0]
        if os.path.exists(os.path.join(source_dir, "images", stem + ".svg")):
            raise BuildError("%s: atlas %s is also drawn as images/%s.svg" % (manifest_path, atlas, stem))
        canvas = [bytearray(bytes(KEY) * width) for _ in range(height)]
        placed = []
        for name, x, y, w, h, where in pieces:
            if x + w > width or y + h > height:
                raise BuildError("%s: %s (%d, %d, %d x %d) is outside %s (%d x %d)"
                                 % (where, name, x, y, w, h, atlas, width, height))
            for other in placed:
                if _overlaps((x, y, w, h), other[1:5]):
                    raise BuildError("%s: %s overlaps %s" % (where, name, other[0]))
            placed.append((name, x, y, w, h))
            svg = os.path.join(source_dir, "atlas", stem, name + ".svg")
            if not os.path.exists(svg):
                raise BuildError("%s: %s has no drawing atlas/%s/%s.svg" % (where, name, stem, name))
            pw, ph, rows = render_svg(svg, manifest.matte)
            if (pw, ph) != (w, h):
                raise BuildError("%s: %s is drawn %d x %d, its place is %d x %d" % (svg, name, pw, ph, w, h))
            for row_index, row in enumerate(rows):
                canvas[y + row_index][3 * x:3 * (x + w)] = row
        data = write_png(width, height, canvas)
        target = os.path.join(out_dir, atlas)
        check_image(target, data)
        _write(target, data)
    text = convert_text(manifest.text, atlas_text(manifest).encode("utf-8"))
    check_text(manifest.text, text)
    _write(os.path.join(out_dir, manifest.text), text)
    check_requirements(manifest, out_dir)


def atlas_text(manifest):
    """One macro per value (a macro stands for a single value):
        %PIECE.Image% %PIECE.X% %PIECE.Y% %PIECE.W% %PIECE.H% %PIECE.R% %PIECE.B%"""
    lines = [HEADER, "// Made by the build from skin.manifest: where each atlas piece lies.",
             "ReplacementTable", "{"]
    for atlas, (name, x, y, w, h, _) in manifest.pieces():
        for suffix, value in (("Image", '"%s"' % atlas), ("X", x), ("Y", y), ("W", w), ("H", h),
                              ("R", x + w), ("B", y + h)):
            lines.append("\t%%%s.%s%% = %s;" % (name, suffix, value))
    lines.append("}")
    return "".join(line + "\n" for line in lines)


def check_requirements(manifest, out_dir):
    pieces = {name: (atlas, x, y, w, h) for atlas, (name, x, y, w, h, _) in manifest.pieces()}
    atlases = {atlas.lower() for atlas, _, _, _ in manifest.atlases}
    for where, words in manifest.requirements:
        if words[:1] == ["image"] and len(words) in (2, 4):
            name = words[1]
            if name.lower() in atlases:
                raise BuildError("%s: %s must be an image of its own, not an atlas" % (where, name))
            found = [f for f in os.listdir(out_dir) if f.lower() == name.lower()]
            if not found:
                raise BuildError("%s: image %s is missing (images/%s.svg)" % (where, name,
                                                                              os.path.splitext(name)[0]))
            if len(words) == 4:
                with open(os.path.join(out_dir, found[0]), "rb") as handle:
                    width, height = struct.unpack(">II", handle.read(24)[16:24])
                if (width, height) != (_number(words[2], where), _number(words[3], where)):
                    raise BuildError("%s: %s is %d x %d, must be %s x %s" % (where, name, width, height,
                                                                           words[2], words[3]))
        elif words[:1] == ["piece"] and len(words) == 6:
            want = tuple(_number(w, where) for w in words[2:])
            if words[1] not in pieces:
                raise BuildError("%s: atlas piece %s is missing" % (where, words[1]))
            if pieces[words[1]][1:] != want:
                raise BuildError("%s: piece %s stands at %s, must stand at %s"
                                 % (where, words[1], pieces[words[1]][1:], want))
        else:
            raise BuildError("%s: require image NAME.png [W H] | require piece PIECE X Y W H" % where)


# ---- entry ----

def _read(path):
    try:
        with open(path, "rb") as handle:
            return handle.read()
    except OSError as error:
        raise BuildError("%s: %s" % (path, error.strerror))


def _write(path, data):
    temporary = path + ".part"
    with open(temporary, "wb") as handle:
        handle.write(data)
    os.replace(temporary, path)


def main(argv):
    if len(argv) < 2:
        raise BuildError(__doc__)
    command, args = argv[1], argv[2:]
    if command == "text" and len(args) == 2:
        data = convert_text(args[0], _read(args[0]))
        check_text(args[1], data)
        _write(args[1], data)
    elif command == "image" and len(args) in (2, 3):
        matte = Manifest(args[2]).matte if len(args) == 3 else DEFAULT_MATTE
        width, height, rows = render_svg(args[0], matte)
        data = write_png(width, height, rows)
        check_image(args[0], data)
        _write(args[1], data)
    elif command == "manifest" and len(args) == 3:
        build_manifest(*args)
    elif command == "outputs" and len(args) == 1:
        manifest = Manifest(args[0])
        print(manifest.text)
        for name, _, _, _ in manifest.atlases:
            print(name)
    elif command == "icon" and len(args) >= 2:
        _write(args[0], build_icon(args[1:]))
    elif command == "check-text" and len(args) == 1:
        check_text(args[0], _read(args[0]))
    elif command == "check-image" and len(args) == 1:
        check_image(args[0], _read(args[0]))
    else:
        raise BuildError(__doc__)


if __name__ == "__main__":
    try:
        main(sys.argv)
    except BuildError as error:
        sys.stderr.write("skinbuild: %s\n" % error)
        sys.exit(1)
