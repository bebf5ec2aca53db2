#!/usr/bin/env python3
"""The skin build (cmake/skinbuild.py and cmake/KestrumSkin.cmake) on fixtures that must build
and fixtures that must stop the build, naming the file and the line or pixel."""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
TOOL = os.path.join(ROOT, "cmake", "skinbuild.py")
sys.path.insert(0, os.path.join(ROOT, "cmake"))
import skinbuild  # noqa: E402

HEADER = "<Definition File Version 1.00>\n"


def svg(width, height, body, extra=""):
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="%s" height="%s"%s>%s</svg>'
            % (width, height, extra, body))


class Folder:
    def __init__(self):
        self.path = tempfile.mkdtemp(prefix="skinbuild_test_")

    def write(self, name, content):
        path = os.path.join(self.path, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as handle:
            handle.write(content.encode("utf-8") if isinstance(content, str) else content)
        return path

    def read(self, name):
        with open(os.path.join(self.path, name), "rb") as handle:
            return handle.read()

    def remove(self):
        shutil.rmtree(self.path, ignore_errors=True)


def run_tool(*args):
    result = subprocess.run([sys.executable, TOOL] + list(args), stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE)
    return result.returncode, result.stderr.decode("utf-8", "replace")


def pixels(data):
    width, height, channels, rows, kinds = skinbuild.read_png("built", data)
    return [[tuple(row[channels * x:channels * x + 3]) for x in range(width)] for row in rows], kinds


class TextTest(unittest.TestCase):
    def setUp(self):
        self.folder = Folder()

    def tearDown(self):
        self.folder.remove()

    def test_texts_that_build(self):
        cases = [
            (HEADER + "B { K = 1; }\n", b"<Definition File Version 1.00>\r\nB { K = 1; }\r\n"),
            # No final line end: the build adds it.
            (HEADER + "B {\tK = \"表示\"; }", HEADER.encode().replace(b"\n", b"\r\n")
             + b"B {\tK = \"\x95\x5c\x8e\xa6\"; }\r\n"),
            # The wave dash as Windows maps it, and characters with trail byte 0x5C.
            ("～ソ能\n", b"\x81\x60\x83\x5c\x94\x5c\r\n"),
            ("\n\n", b"\r\n\r\n"),
        ]
        for source, built in cases:
            with self.subTest(source=source):
                path = self.folder.write("In.txt", source)
                out = os.path.join(self.folder.path, "Out.txt")
                self.assertEqual(run_tool("text", path, out), (0, ""))
                self.assertEqual(self.folder.read("Out.txt"), built)
                self.assertEqual(run_tool("check-text", out)[0], 0)

    def test_texts_that_stop_the_build(self):
        cases = [
            (HEADER + "B { K = \"—\"; }\n", "In.txt:2:10: '—' (U+2014) cannot be written in code page 932"),
            (HEADER + "\n波 = \"〜\";\n", "In.txt:3:6: '〜' (U+301C) reads back as '～' (U+FF5E) in "
                                         "code page 932; write U+FF5E"),
            (HEADER + "X = \"−\";\n", "In.txt:2:6: '−' (U+2212) reads back as '－' (U+FF0D)"),
            (HEADER + "¥100\n", "In.txt:2:1: '¥' (U+00A5) cannot be written"),
            (HEADER + "B { }\r\n", "In.txt:2: carriage return in the source"),
            (HEADER + "B { K\0 }\n", "In.txt:2: NUL character"),
            ("\ufeff" + HEADER, "In.txt:1: starts with a byte-order mark"),
            (HEADER.encode() + b"\x95\x5c\n", "In.txt:2: not UTF-8 (byte 0x95)"),
        ]
        for source, message in cases:
            with self.subTest(message=message):
                path = self.folder.write("In.txt", source)
                out = os.path.join(self.folder.path, "Out.txt")
                if os.path.exists(out):
                    os.remove(out)
                status, error = run_tool("text", path, out)
                self.assertEqual(status, 1)
                self.assertIn(message, error)
                self.assertFalse(os.path.exists(out))

    def test_built_texts_that_are_refused(self):
        cases = [
            (b"<H>\nB { }\n", "Bad.txt:1: line end other than CR LF"),
            (b"<H>\r\nB { }\nC { }\r\n", "Bad.txt:2: line end other than CR LF"),
            (b"<H>\r\nB\r{ }\r\n", "Bad.txt:2: line end other than CR LF"),
            (b"<H>\r\nB { }", "Bad.txt: the last line has no CR LF"),
            (b"", "Bad.txt: empty"),
            (b"<H>\r\n\x85\r\n", "Bad.txt: byte 5 is not code page 932"),
        ]
        for data, message in cases:
            with self.subTest(message=message):
                path = self.folder.write("Bad.txt", data)
                status, error = run_tool("check-text", path)
                self.assertEqual(status, 1)
                self.assertIn(message, error)


class ImageTest(unittest.TestCase):
    def setUp(self):
        self.folder = Folder()

    def tearDown(self):
        self.folder.remove()

    def build(self, drawing, manifest=None):
        path = self.folder.write("Shape.svg", drawing)
        args = ["image", path, os.path.join(self.folder.path, "Shape.png")]
        if manifest is not None:
            args.append(self.folder.write("skin.manifest", manifest))
        return run_tool(*args)

    def test_flattening(self):
        # Eight columns of white at rising opacity over the matte #204060; below alpha 128 the
        # key colour, above it laid opaque over the matte.
        body = "".join('<rect x="%d" y="0" width="1" height="1" fill="#FFFFFF" fill-opacity="%s"/>'
                       % (x, opacity) for x, opacity in enumerate(
                           ["0", "0.2", "0.45", "0.55", "0.6", "0.75", "1", "0"]))
        self.assertEqual(self.build(svg(8, 1, body), "matte #204060 # the surface\n"), (0, ""))
        rows, kinds = pixels(self.folder.read("Shape.png"))
        key = (255, 0, 255)
        self.assertEqual(rows[0][:3], [key, key, key])
        for x in (3, 4):
            self.assertNotEqual(rows[0][x], key)
        self.assertEqual(rows[0][6], (255, 255, 255))
        self.assertEqual(rows[0][5], (0xC7, 0xCF, 0xD7))   # 191/255 of white over #204060
        self.assertEqual(rows[0][7], key)
        # 24-bit RGB with nothing a decoder could apply: no gAMA, sRGB, iCCP.
        self.assertEqual(kinds, ["IHDR", "IDAT", "IEND"])
        self.assertEqual(run_tool("check-image", os.path.join(self.folder.path, "Shape.png"))[0], 0)

    def test_own_matte_and_default(self):
        drawing = svg(1, 1, '<rect width="1" height="1" fill="#000000" fill-opacity="0.6"/>',
                      ' data-matte="#FFFFFF"')
        self.assertEqual(self.build(drawing, "matte #000000\n"), (0, ""))
        self.assertEqual(pixels(self.folder.read("Shape.png"))[0][0][0], (102, 102, 102))
        self.assertEqual(self.build(svg(1, 1, '<rect width="1" height="1" fill="#000000" '
                                               'fill-opacity="0.6"/>')), (0, ""))
        self.assertEqual(pixels(self.folder.read("Shape.png"))[0][0][0], (102, 102, 102))

    def test_drawings_that_stop_the_build(self):
        cases = [
            (svg(4, 4, '<rect width="4" height="4" fill="#F808F0"/>'),
             "16 pixel(s) near the key colour #FF00FF but not exactly it, first (0, 0) #F808F0"),
            # Neither a violet nor a pink matte is near the key, but the violet laid at 60 %
            # over the matte is.
            (svg(8, 8, '<rect width="8" height="8" fill="#A000FF" fill-opacity="0.6"/>',
                 ' data-matte="#FF60FF"'),
             "near the key colour #FF00FF but not exactly it"),
            (svg(4, 4, '<text x="0" y="4">A</text>'), "holds text"),
            (svg(4, 4, '<image href="other.png" width="4" height="4"/>'), "refers to 'other.png'"),
            (svg("4.5", 4, ""), "needs a whole-pixel width"),
            (svg(4, "", ""), "needs a whole-pixel height"),
            ("<svg", "Shape.svg: "),
        ]
        for drawing, message in cases:
            with self.subTest(message=message):
                status, error = self.build(drawing)
                self.assertEqual(status, 1)
                self.assertIn(message, error)
                self.assertIn("Shape.svg", error)

    def test_refused_built_images(self):
        def png(colour, rows, extra=b""):
            def chunk(name, body):
                return struct.pack(">I", len(body)) + name + body + struct.pack(">I", zlib.crc32(name + body))
            raw = b"".join(b"\0" + row for row in rows)
            return (skinbuild.PNG_SIGNATURE + chunk(b"IHDR", struct.pack(">IIBBBBB", 2, len(rows), 8, colour, 0, 0, 0))
                    + extra + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))
        gama = struct.pack(">I", 4) + b"gAMA" + struct.pack(">I", 45455) + struct.pack(">I", zlib.crc32(b"gAMA" + struct.pack(">I", 45455)))
        cases = [
            (png(2, [b"\xff\x00\xff\x10\x20\x30"]), None),
            (png(2, [b"\xff\x00\xff\xfe\x01\xfe"]), "1 pixel(s) near the key colour"),
            (png(6, [b"\xff\x00\xff\xff\x10\x20\x30\xff"]), "has an alpha channel"),
            (png(2, [b"\xff\x00\xff\x10\x20\x30"], gama), "has gAMA"),
        ]
        for data, message in cases:
            with self.subTest(message=message):
                path = self.folder.write("Built.png", data)
                status, error = run_tool("check-image", path)
                self.assertEqual(status, 0 if message is None else 1, error)
                if message:
                    self.assertIn(message, error)


class ManifestTest(unittest.TestCase):
    def setUp(self):
        self.folder = Folder()
        self.out = os.path.join(self.folder.path, "out")
        os.makedirs(self.out)
        self.folder.write("atlas/Parts/Dot.svg", svg(4, 4, '<rect width="4" height="4" fill="#2E7D4F"/>'))
        self.folder.write("atlas/Parts/Bar.svg", svg(8, 2, '<rect width="8" height="2" fill="#A86412"/>'))

    def tearDown(self):
        self.folder.remove()

    def build(self, manifest):
        path = self.folder.write("skin.manifest", manifest)
        return run_tool("manifest", path, self.folder.path, self.out)

    def test_atlas_and_its_text(self):
        manifest = ("matte #F4F6F9\n# pieces\natlas Parts.png 16 8\n  Dot 0 0 4 4\n  Bar 4 0 8 2 # bar\n"
                    "require piece Dot 0 0 4 4\n")
        self.assertEqual(self.build(manifest), (0, ""))
        rows, _ = pixels(self.folder.read("out/Parts.png"))
        self.assertEqual(rows[0][0], (0x2E, 0x7D, 0x4F))
        self.assertEqual(rows[1][11], (0xA8, 0x64, 0x12))
        self.assertEqual(rows[2][4], (255, 0, 255))
        text = self.folder.read("out/Atlas.txt").decode("cp932")
        self.assertTrue(text.startswith("<Definition File Version 1.00>\r\n"))
        for line in ["%Dot.Image% = \"Parts.png\";", "%Dot.R% = 4;", "%Bar.X% = 4;", "%Bar.Y% = 0;",
                     "%Bar.W% = 8;", "%Bar.H% = 2;", "%Bar.R% = 12;", "%Bar.B% = 2;"]:
            self.assertIn("\t" + line + "\r\n", text)
        listed = subprocess.run([sys.executable, TOOL, "outputs",
                                 os.path.join(self.folder.path, "skin.manifest")],
                                stdout=subprocess.PIPE, check=True).stdout
        self.assertEqual(listed, b"Atlas.txt\nParts.png\n")

    def test_named_text_and_no_atlas(self):
        self.assertEqual(self.build("text Other.txt\n"), (0, ""))
        self.assertEqual(self.folder.read("out/Other.txt"),
                         b"<Definition File Version 1.00>\r\n// Made by the build from skin.manifest: "
                         b"where each atlas piece lies.\r\nReplacementTable\r\n{\r\n}\r\n")

    def test_manifests_that_stop_the_build(self):
        self.folder.write("images/Alone.svg", svg(2, 2, ""))
        self.folder.write("out/Alone.png", skinbuild.write_png(3, 2, [bytearray(9)] * 2))
        cases = [
            ("atlas Parts.png 16 8\nDot 0 0 4 4\nBar 2 2 8 2\n", "skin.manifest:3: Bar overlaps Dot"),
            ("atlas Parts.png 16 8\nBar 10 0 8 2\n", "skin.manifest:2: Bar (10, 0, 8 x 2) is outside Parts.png (16 x 8)"),
            ("atlas Parts.png 16 8\nDot 0 0 4 5\n", "Dot.svg: Dot is drawn 4 x 4, its place is 4 x 5"),
            ("atlas Parts.png 16 8\nNone 0 0 4 4\n", "skin.manifest:2: None has no drawing atlas/Parts/None.svg"),
            ("atlas Parts.png 16 8\nDot 0 0 4 4\natlas More.png 4 4\ndot 0 0 4 4\n",
             "skin.manifest:4: piece dot is already in Parts.png"),
            ("Dot 0 0 4 4\n", "skin.manifest:1: a piece before any atlas line"),
            ("atlas Alone.png 4 4\n", "atlas Alone.png is also drawn as images/Alone.svg"),
            ("atlas Parts 4 4\n", "'Parts' is not an image name"),
            ("matte blue\n", "skin.manifest:1: colour 'blue' is not #RRGGBB"),
            ("atlas Parts.png 16 8\nDot 0 0 4 4\nrequire piece Dot 4 0 4 4\n",
             "skin.manifest:3: piece Dot stands at (0, 0, 4, 4), must stand at (4, 0, 4, 4)"),
            ("require piece Dot 0 0 4 4\n", "skin.manifest:1: atlas piece Dot is missing"),
            ("require image Check.png\n", "skin.manifest:1: image Check.png is missing (images/Check.svg)"),
            ("require image alone.PNG 2 2\n", "skin.manifest:1: alone.PNG is 3 x 2, must be 2 x 2"),
            ("atlas Parts.png 16 8\nrequire image PARTS.png\n",
             "skin.manifest:2: PARTS.png must be an image of its own, not an atlas"),
            ("require Dot\n", "skin.manifest:1: require image NAME.png [W H] | require piece"),
        ]
        for manifest, message in cases:
            with self.subTest(message=message):
                status, error = self.build(manifest)
                self.assertEqual(status, 1)
                self.assertIn(message, error)
        # A separate image of the right size passes.
        self.assertEqual(self.build("require image alone.PNG 3 2\n"), (0, ""))


@unittest.skipUnless(shutil.which("cmake") and shutil.which("ninja"), "needs cmake and ninja")
class CMakeTest(unittest.TestCase):
    """The CMake function in a project of its own (no compiler): a good set builds with its
    resource script; a bad text stops the build with the text's name and line."""

    def setUp(self):
        self.folder = Folder()
        self.folder.write("CMakeLists.txt",
                          "cmake_minimum_required(VERSION 3.25)\nproject(SkinSet NONE)\n"
                          "include(%s/cmake/KestrumSkin.cmake)\n"
                          "kestrum_skin_set(sample ${CMAKE_SOURCE_DIR}/skins)\n" % ROOT)
        self.folder.write("skins/Main.txt", HEADER + "#include \"Atlas.txt\"\nMain { Text = \"設定\"; }\n")
        self.folder.write("skins/images/Mark.svg", svg(2, 2, '<rect width="2" height="2" fill="#2563A8"/>'))

    def tearDown(self):
        self.folder.remove()

    def cmake(self, *args):
        result = subprocess.run(["cmake"] + list(args), cwd=self.folder.path, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT)
        return result.returncode, result.stdout.decode("utf-8", "replace")

    def test_set_builds_and_fails(self):
        self.assertEqual(self.cmake("-S", ".", "-B", "b", "-G", "Ninja")[0], 0)
        status, output = self.cmake("--build", "b")
        self.assertEqual(status, 0, output)
        script = self.folder.read("b/skin/sample/sample.rc").decode()
        for name in ("Main.txt", "Mark.png", "Atlas.txt"):
            self.assertIn('%s SKIN "%s/b/skin/sample/%s"\n' % (name, self.folder.path, name), script)
        self.assertTrue(self.folder.read("b/skin/sample/Main.txt").endswith("設定\"; }\r\n".encode("cp932")))

        # An edit reaches the next build; an unmappable character stops it.
        self.folder.write("skins/Main.txt", HEADER + "Main {\n Text = \"〜\";\n}\n")
        status, output = self.cmake("--build", "b")
        self.assertNotEqual(status, 0)
        self.assertIn("Main.txt:3:10: '〜' (U+301C) reads back as '～' (U+FF5E)", output)

        # A resource name windres would take for a number is refused when configuring.
        self.folder.write("skins/Main.txt", HEADER)
        self.folder.write("skins/1st.txt", HEADER)
        status, output = self.cmake("-S", ".", "-B", "b")
        self.assertNotEqual(status, 0)
        self.assertIn("'1st.txt' cannot name a resource", output)


if __name__ == "__main__":
    unittest.main(verbosity=1)
