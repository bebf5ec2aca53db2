"""The stand-in's version-up service ("/pcapp/GetLatestPCAplZoneAPI", "/packages/<name>"),
natively: the versions with their package addresses, and packages as patterns or files."""

import os
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from standin_test import StandInCase  # noqa: E402
import standin  # noqa: E402


class VersionUpServiceTest(StandInCase):
    def test_versions_name_the_packages_of_the_space(self):
        self.control("vars", {"versionup": {"ret": 0, "modules": {
            "LC": {"version": "4.1.18", "package": "Setup.exe"},
            "MD": {"version": "2.10", "url": "http://elsewhere.example/m.msi"}}}})
        status, _, body = self.fetch("/pcapp/GetLatestPCAplZoneAPI", "POST", b"")
        self.assertEqual(status, 200)
        self.assertEqual(body.decode().split("&"), [
            "RET=0", "LCVER=4.1.18", "LCURL=%s" % self.url("/packages/Setup.exe"),
            "DGVER=", "DGURL=", "MDVER=2.10", "MDURL=http://elsewhere.example/m.msi",
            "PMVER=", "PMURL="])
        self.assertEqual(self.fetch("/pcapp/GetLatestPCAplZoneAPI")[0], 405)

    def test_packages_are_patterns_or_files_with_their_length(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "Real.msi")
            with open(path, "wb") as f:
                f.write(b"\xd0\xcf\x11\xe0 a real package")
            self.control("vars", {"packages": {"Pattern.msi": 600, "Empty.msi": 0,
                                               "Real.msi": {"file": path}}})
            cases = [
                ("Pattern.msi", 200, standin.pattern_bytes(0, 600)),
                ("Empty.msi", 200, b""),
                ("Real.msi", 200, b"\xd0\xcf\x11\xe0 a real package"),
                ("Other.msi", 404, b"no such package\n"),
            ]
            for name, status, body in cases:
                with self.subTest(name):
                    got_status, headers, got = self.fetch("/packages/" + name)
                    self.assertEqual(got_status, status)
                    self.assertEqual(got, body)
                    if status == 200:
                        self.assertEqual(headers["Content-Length"], str(len(body)))


if __name__ == "__main__":
    unittest.main()
