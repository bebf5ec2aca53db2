"""The stand-in's probe gateway ("/probe/OFPB", dispatched on fc) and traffic data service
("/cgi-bin/odv.cgi/"), natively: the fc dispatch, the one-time password dialogue and the
binary replies of the traffic data service with their length fields."""

import importlib.util
import os
import sys
import unittest
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from standin_test import StandInCase  # noqa: E402

SERVICES = os.path.join(HERE, "..", "..", "tools", "standin", "services")


def load_service(name):
    spec = importlib.util.spec_from_file_location("probe_test_" + name,
                                                  os.path.join(SERVICES, name + ".py"))
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


odv = load_service("odv")


def form(**fields):
    return urllib.parse.urlencode(fields).encode()


class OdvBlockTest(unittest.TestCase):
    def test_length_field_widths(self):
        # (data size, width asked or None, the block's head: type byte and length field)
        cases = [
            (0, None, b"O\x01"),
            (4, None, b"O\x05"),
            (0x3E, None, b"O\x3F"),
            (0x3F, None, b"O\x40\x41"),          # 0x3F + 1 no longer fits one byte
            (0x3FFD, None, b"O\x7F\xFF"),
            (0x3FFE, None, b"O\x80\x40\x01"),
            (0x3FFFFC, None, b"O\xBF\xFF\xFF"),
            (0x3FFFFD, None, b"O\xC0\x40\x00\x01"),
            (4, 2, b"O\x40\x06"),
            (4, 3, b"O\x80\x00\x07"),
            (4, 4, b"O\xC0\x00\x00\x08"),
        ]
        for size, width, head in cases:
            with self.subTest(size=size, width=width):
                block = odv.data_block(odv.pattern(size), width)
                self.assertEqual(block[:len(head)], head)
                self.assertEqual(block[len(head):], odv.pattern(size))

    def test_written_lengths_and_damaged_forms(self):
        cases = [
            ({"kind": "data", "size": 4, "length": 0x30}, b"O\x30" + odv.pattern(4)),
            ({"kind": "data", "size": 4, "width": 4, "length": 0x3FFFFFFF},
             b"O\xFF\xFF\xFF\xFF" + odv.pattern(4)),
            ({"kind": "data", "size": 0, "width": 2, "length": 1}, b"O\x40\x01"),
            ({"kind": "data", "size": 9, "cut": 1}, b"O"),
            ({"kind": "data", "size": 9, "width": 4, "cut": 3}, b"O\xC0\x00"),
            ({"kind": "error", "code": 0x0102}, b"\xFF\x00\x01\x02"),
            ({"kind": "error", "code": 0xFFFF, "cut": 2}, b"\xFF\x00"),
        ]
        for spec, reply in cases:
            with self.subTest(spec=spec):
                self.assertEqual(odv.build_reply(spec), reply)
        for length, width in ((0x40, 1), (0x4000, 2), (-1, 1), (0x40000000, 4), (5, 5)):
            with self.subTest(length=length, width=width):
                with self.assertRaises(ValueError):
                    odv.length_field(length, width)


class ProbeGatewayTest(StandInCase):
    def post(self, path, body):
        status, _, data = self.fetch(path, method="POST", body=body,
                                     headers={"Content-Type":
                                              "application/x-www-form-urlencoded"})
        return status, data

    def test_dispatch_on_the_head_of_the_body(self):
        cases = [
            (b"fc=72&deviceNo=0123456789ABCDEF&halfCcid=0005000A", 200,
             b"SVRRET=C00&CCID=0005000A01234567&PASS=K0000001"),
            (b"deviceNo=0123456789ABCDEF&halfCcid=0005000A&fc=72", 200, b"SVRRET=C00"),
            (b"fc=99&ccid=x", 404, b"no probe dialogue for fc=99\n"),
            (b"fc=&ccid=x", 404, b"no probe dialogue for fc=\n"),
            (b"ccid=x", 404, b"no probe dialogue for fc=\n"),
            # What follows "&dat=" is data, not a form: its "fc=72" is no field.
            (b"fc=95x&dat=fc=72&\xff\x00", 404, b"no probe dialogue for fc=95x\n"),
            (b"uid=1&dat=&fc=72", 404, b"no probe dialogue for fc=\n"),
        ]
        for body, status, answer in cases:
            with self.subTest(body=body):
                got = self.post("/probe/OFPB", body)
                self.assertEqual(got[0], status)
                self.assertTrue(got[1].startswith(answer), got[1])

    def test_one_time_passwords(self):
        unit = form(fc="72", deviceNo="0123456789ABCDEF", halfCcid="0005000A")
        other = form(fc="72", deviceNo="FEDCBA9876543210", halfCcid="0007000B")
        self.assertEqual(self.post("/probe/OFPB", unit)[1],
                         b"SVRRET=C00&CCID=0005000A01234567&PASS=K0000001")
        self.assertEqual(self.post("/probe/OFPB", other)[1],
                         b"SVRRET=C00&CCID=0007000BFEDCBA98&PASS=K0000002")
        for code, answer in (("C02", b"SVRRET=C02&CCID=0005000A01234567&PASS=K0000003"),
                             ("C04", b"SVRRET=C04"), ("E98", b"SVRRET=E98"),
                             ("E99", b"SVRRET=E99")):
            with self.subTest(code=code):
                self.control("vars", {"otp_answer": code})
                self.assertEqual(self.post("/probe/OFPB", unit)[1], answer)
        self.assertEqual(self.post("/probe/OFPB", form(fc="72", deviceNo="01",
                                                      halfCcid=""))[1], b"SVRRET=E99")

    def test_traffic_data_for_the_password_issued_last(self):
        unit = form(fc="72", deviceNo="0123456789ABCDEF", halfCcid="0005000A")
        self.post("/probe/OFPB", unit)
        first = form(ccid="0005000A01234567", otp="K0000001", vics="125")
        data = odv.data_block(odv.pattern(3000))
        self.assertEqual(self.post("/cgi-bin/odv.cgi/", first), (200, data))
        self.post("/probe/OFPB", unit)
        invalid = b"\xFF\x00\xFF\xFF"
        self.assertEqual(self.post("/cgi-bin/odv.cgi/", first), (200, invalid))
        self.assertEqual(self.post("/cgi-bin/odv.cgi/", form(ccid="x", otp="")),
                         (200, invalid))
        second = form(ccid="0005000A01234567", otp="K0000002")
        self.assertEqual(self.post("/cgi-bin/odv.cgi/", second), (200, data))

    def test_listed_replies_first_then_the_default(self):
        self.control("vars", {"odv_size": 70, "odv_replies": [
            {"kind": "error", "code": 0x0100}, {"kind": "data", "size": 2, "width": 3}]})
        self.post("/probe/OFPB", form(fc="72", deviceNo="0123456789ABCDEF", halfCcid="1"))
        valid = form(ccid="10123456789ABCDE", otp="K0000001")
        self.assertEqual(self.post("/cgi-bin/odv.cgi/", form(ccid="x")),
                         (200, b"\xFF\x00\x01\x00"))
        self.assertEqual(self.post("/cgi-bin/odv.cgi/", valid),
                         (200, b"O\x80\x00\x05" + odv.pattern(2)))
        self.assertEqual(self.post("/cgi-bin/odv.cgi/", valid),
                         (200, odv.data_block(odv.pattern(70))))

if __name__ == "__main__":
    unittest.main()
