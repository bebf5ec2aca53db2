"""The set-up's reading of the machine's apt sources (kestrum: apt_source_records and
apt_mirror_entries), which give the install's retry and the source-package entry their
mirror: on small folders of one-line and deb822 sources, and on this machine's own. apt
itself never runs."""

import os
import subprocess
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
KESTRUM = os.path.join(HERE, "..", "..", "kestrum")
FIXTURES = os.path.join(HERE, "apt_sources")


def kestrum(*call):
    """One function of the kestrum script, sourced, and its standard output."""
    done = subprocess.run(["bash", "-c", '. "$0"; "$@"', KESTRUM, *call],
                          capture_output=True, text=True, timeout=60)
    if done.returncode != 0:
        raise AssertionError(f"{call} ended with {done.returncode}: {done.stderr}")
    return done.stdout


def records(etc):
    return [tuple(line.split("\t")) for line in kestrum("apt_source_records", etc).splitlines()]


def entries(etc, types, *suites):
    """The deb822 entries, each a dict of its fields."""
    out = kestrum("apt_mirror_entries", etc, types, *suites)
    found = []
    for stanza in out.strip().split("\n\n") if out.strip() else []:
        found.append(dict(line.split(": ", 1) for line in stanza.splitlines()))
    return found


KEYRING = "/usr/share/keyrings/debian-archive-keyring.gpg"


class FixtureSources(unittest.TestCase):
    def test_one_line_sources(self):
        etc = os.path.join(FIXTURES, "oneline")
        self.assertEqual(kestrum("os_codename", etc).strip(), "bookworm")
        got = records(etc)
        # Options in brackets (with or without blanks), trailing comments, commented and
        # blank lines, sources.list.d/*.list; a "*.list.save" file is not read.
        self.assertEqual(got, [
            ("deb", "http://mirror.example.org/debian", "bookworm", KEYRING, "main contrib"),
            ("deb", "http://mirror.example.org/debian", "bookworm-updates", KEYRING,
             "main contrib"),
            ("deb", "http://security.example.org/debian-security", "bookworm-security", "-",
             "main"),
            ("deb-src", "http://mirror.example.org/debian", "bookworm-updates", "-", "main"),
            ("deb", "https://tools.example.com/apt", "stable", "/etc/apt/keyrings/tools.gpg",
             "main"),
            ("deb", "http://second.example.org/debian", "bookworm", "-", "main"),
        ])
        # The retry: main and updates suites at each mirror, one entry per mirror and key.
        self.assertEqual(entries(etc, "deb deb-src", "bookworm", "bookworm-updates"), [
            {"Types": "deb deb-src", "URIs": "http://mirror.example.org/debian",
             "Suites": "bookworm bookworm-updates", "Components": "main contrib",
             "Signed-By": KEYRING},
            {"Types": "deb deb-src", "URIs": "http://second.example.org/debian",
             "Suites": "bookworm", "Components": "main"},
        ])

    def test_deb822_sources(self):
        etc = os.path.join(FIXTURES, "deb822")
        self.assertEqual(kestrum("os_codename", etc).strip(), "trixie")
        got = records(etc)
        # Several types, URIs and suites in one entry, keys in any case, a field continued
        # on the next line, "Enabled: no"; a key written into the entry is no path to name.
        self.assertEqual(got, [
            ("deb", "http://ftp.example.jp/debian/", "trixie", KEYRING, "main non-free-firmware"),
            ("deb", "http://ftp.example.jp/debian/", "trixie-updates", KEYRING,
             "main non-free-firmware"),
            ("deb-src", "http://ftp.example.jp/debian/", "trixie", KEYRING,
             "main non-free-firmware"),
            ("deb-src", "http://ftp.example.jp/debian/", "trixie-updates", KEYRING,
             "main non-free-firmware"),
            ("deb", "http://security.example.jp/debian-security/", "trixie-security", KEYRING,
             "main"),
            ("deb", "https://second.example.jp/debian", "trixie", "-", "main"),
        ])
        self.assertEqual(entries(etc, "deb-src", "trixie"), [
            {"Types": "deb-src", "URIs": "http://ftp.example.jp/debian/", "Suites": "trixie",
             "Components": "main non-free-firmware", "Signed-By": KEYRING},
            {"Types": "deb-src", "URIs": "https://second.example.jp/debian", "Suites": "trixie",
             "Components": "main"},
        ])

    def test_no_source_for_the_suites_gives_nothing(self):
        for folder in ("oneline", "deb822"):
            etc = os.path.join(FIXTURES, folder)
            self.assertEqual(entries(etc, "deb", "sid"), [])
        self.assertEqual(records(os.path.join(FIXTURES, "missing")), [])


class MachineSources(unittest.TestCase):
    def test_this_machines_sources(self):
        codename = kestrum("os_codename", "/etc").strip()
        got = records("/etc")
        binary = [r for r in got if r[0] == "deb" and r[2] == codename]
        if not codename or not binary:
            self.skipTest("this machine's apt sources name no binary entry for its release")
        # Every mirror found is named in one of the files apt reads.
        texts = []
        for name in ["sources.list"] + sorted(os.listdir("/etc/apt/sources.list.d")):
            path = os.path.join("/etc/apt", name) if name == "sources.list" else \
                os.path.join("/etc/apt/sources.list.d", name)
            if os.path.isfile(path) and (name == "sources.list" or
                                         name.endswith((".list", ".sources"))):
                with open(path, encoding="utf-8", errors="replace") as f:
                    texts.append(f.read())
        for record in got:
            self.assertTrue(any(record[1] in text for text in texts), record)
        found = entries("/etc", "deb deb-src", codename, codename + "-updates")
        self.assertEqual(sorted(e["URIs"] for e in found), sorted({r[1] for r in binary}))
        for entry in found:
            self.assertIn(codename, entry["Suites"].split())
            self.assertTrue(set(entry["Suites"].split()) <= {codename, codename + "-updates"})

    def test_the_script_names_no_mirror(self):
        with open(KESTRUM, encoding="utf-8") as f:
            self.assertNotIn("deb.debian.org", f.read())


if __name__ == "__main__":
    unittest.main()
