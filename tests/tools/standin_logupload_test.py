"""The stand-in's log upload service ("/pcapp/LogUploadCheckAPI", "/pcapp/LogUploadAPI"),
natively: its multipart reader, the permission answers and the kept archive."""

import importlib.util
import io
import os
import sys
import tempfile
import unittest
import urllib.parse
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from standin_test import StandInCase  # noqa: E402

SERVICES = os.path.join(HERE, "..", "..", "tools", "standin", "services")
_spec = importlib.util.spec_from_file_location("logupload_test_module",
                                               os.path.join(SERVICES, "logupload.py"))
logupload = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(logupload)

MULTIPART = 'multipart/form-data; boundary="KestrumBoundary"'


def part(name, data, filename=None):
    head = b'Content-Disposition: form-data; name="%s"' % name.encode()
    if filename is not None:
        head += b'; filename="%s"\r\nContent-Type: application/octet-stream' % filename.encode()
    return b"--KestrumBoundary\r\n" + head + b"\r\n\r\n" + data + b"\r\n"


def multipart(*parts):
    return b"".join(parts) + b"--KestrumBoundary--"


def zip_bytes(entries):
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w") as archive:
        for name, data in entries.items():
            archive.writestr(name, data)
    return out.getvalue()


class MultipartReaderTest(unittest.TestCase):
    def test_forms(self):
        whole = multipart(part("ccid_head", b"0291ABCD"), part("deviceno", b"D1"),
                          part("file", b"PK\r\n--Kestrum\r\n", "a.zip"))
        expected = [("ccid_head", None, b"0291ABCD"), ("deviceno", None, b"D1"),
                    ("file", "a.zip", b"PK\r\n--Kestrum\r\n")]
        cases = [
            (MULTIPART, whole, expected),
            ("multipart/form-data; boundary=KestrumBoundary", whole, expected),
            (MULTIPART, whole + b"\r\n", expected),  # a line end after the close is accepted
            (MULTIPART, multipart(part("x", b"")), [("x", None, b"")]),
            (MULTIPART, whole + b"\r\nmore", None),
            (MULTIPART, whole[:-2], None),  # no closing boundary
            (MULTIPART, b"\r\n" + whole, None),
            (MULTIPART, multipart(b"--KestrumBoundary\r\nContent-Disposition: form-data; "
                                  b'name="x"\r\nno blank line\r\n'), None),
            (MULTIPART, multipart(b"--KestrumBoundary\r\nContent-Disposition: attachment; "
                                  b'name="x"\r\n\r\nv\r\n'), None),
            ('multipart/form-data; boundary="Other"', whole, None),
            ("application/x-www-form-urlencoded", whole, None),
            ("", whole, None),
        ]
        for content_type, body, parts in cases:
            with self.subTest(content_type=content_type, body=body[-30:]):
                got = logupload.parse_multipart(content_type, body)
                if parts is None:
                    self.assertIsNone(got)
                else:
                    self.assertEqual([(p["name"], p["filename"], p["data"]) for p in got], parts)

    def test_kept_names(self):
        cases = [("Ferrox_D1_20240102030405.zip", "Ferrox_D1_20240102030405.zip"),
                 ("../x.zip", "unsafe-name.zip"), ("a\\b.zip", "unsafe-name.zip"),
                 ("..", "unsafe-name.zip"), ("", "unsafe-name.zip"), (None, "unsafe-name.zip")]
        for sent, kept in cases:
            with self.subTest(sent=sent):
                self.assertEqual(logupload.keep_name(sent), kept)


class LogUploadServiceTest(StandInCase):
    def post(self, path, body, content_type):
        status, _, data = self.fetch(path, method="POST", body=body,
                                     headers={"Content-Type": content_type})
        self.assertEqual(status, 200)
        return data

    def test_permission_answers(self):
        self.control("vars", {"log_upload_wanted": ["D1"]})
        form = "application/x-www-form-urlencoded"
        cases = [
            (b"ccid_head=0291ABCD&deviceno=D1", form, b"RET=0&VALID=TRUE"),
            (b"ccid_head=0291ABCD&deviceno=D2", form, b"RET=0&VALID=FALSE"),
            (b"ccid_head=&deviceno=", form, b"RET=0&VALID=FALSE"),
            (b"ccid_head=0291ABCD", form, b"RET=3"),
            (multipart(part("ccid_head", b"1"), part("deviceno", b"D1")), MULTIPART,
             b"RET=0&VALID=TRUE"),
            (multipart(part("deviceno", b"D1")), MULTIPART, b"RET=3"),
            (b"not a form", MULTIPART, b"RET=3"),
        ]
        for body, content_type, answer in cases:
            with self.subTest(body=body):
                self.assertEqual(self.post("/pcapp/LogUploadCheckAPI", body, content_type),
                                 answer)

    def test_upload_answers_and_the_kept_archive(self):
        archive = zip_bytes({"PcInfo.txt": b"x", "Launcher_sys.log": b"line\r\n"})
        with tempfile.TemporaryDirectory() as folder:
            self.control("vars", {"log_upload_folder": folder})
            cases = [
                (multipart(part("ccid_head", b"1"), part("deviceno", b"D1"),
                           part("file", archive, "Ferrox_D1_1.zip")), b"RET=0"),
                (multipart(part("ccid_head", b"1"), part("deviceno", b"D1"),
                           part("file", archive, "../escape.zip")), b"RET=0"),
                (multipart(part("ccid_head", b"1"), part("file", archive, "b.zip")), b"RET=3"),
                (multipart(part("ccid_head", b"1"), part("deviceno", b"D1"),
                           part("file", b"", "c.zip")), b"RET=3"),
                (multipart(part("ccid_head", b"1"), part("deviceno", b"D1"),
                           part("file", b"not a zip", "d.zip")), b"RET=4"),
            ]
            for body, answer in cases:
                with self.subTest(answer=answer, body=body[-40:]):
                    self.assertEqual(self.post("/pcapp/LogUploadAPI", body, MULTIPART), answer)
            self.assertEqual(sorted(os.listdir(folder)), ["Ferrox_D1_1.zip", "unsafe-name.zip"])
            with open(os.path.join(folder, "Ferrox_D1_1.zip"), "rb") as kept:
                self.assertEqual(kept.read(), archive)


if __name__ == "__main__":
    unittest.main()
