"""The probe gateway's check of an upload's data (tools/standin/services/_ofpb_upload.py):
the probe upload tests count on it to refuse anything but one whole send file."""

import importlib.util
import os
import struct
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
_path = os.path.join(HERE, "..", "..", "tools", "standin", "services", "_ofpb_upload.py")
_spec = importlib.util.spec_from_file_location("ofpb_upload", _path)
ofpb_upload = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(ofpb_upload)


def block(files=b"entry"):
    body = b"PROBE_\0\0" + b"0000" + struct.pack("<I", 1) + b"T" * 20 + files + b"EOF_"
    return struct.pack("<Q", len(body)) + body


def send_file(blocks, count=None, total=None):
    data = b"".join(blocks)
    count = len(blocks) if count is None else count
    total = len(data) if total is None else total
    return b"OFCD01" + b"\0" * 6 + struct.pack("<IQ", count, total) + data


class SendFileCheck(unittest.TestCase):
    def test_table(self):
        one, two = send_file([block()]), send_file([block(), block(b"other")])
        cases = [
            ("one block", one + b"DCFO", 1),
            ("two blocks", two + b"DCFO", 2),
            ("no trailer", one, None),
            ("cut", (one + b"DCFO")[:-5] + b"DCFO", None),
            ("a byte more", one + b"\0DCFO", None),
            ("header counts two", send_file([block()], count=2) + b"DCFO", None),
            ("header's total short", send_file([block()], total=10) + b"DCFO", None),
            ("no blocks", send_file([]) + b"DCFO", None),
            ("other tag", one.replace(b"PROBE_", b"PROBEX") + b"DCFO", None),
            ("no end mark", one.replace(b"EOF_", b"EOFX") + b"DCFO", None),
            ("other head", b"XFCD" + one[4:] + b"DCFO", None),
        ]
        for name, data, blocks in cases:
            with self.subTest(name):
                self.assertEqual(ofpb_upload.send_file_blocks(data), blocks)


if __name__ == "__main__":
    unittest.main()
