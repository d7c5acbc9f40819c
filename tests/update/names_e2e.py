#!/usr/bin/env python3
"""The whole update road as Romanian users meet it: wine in the Romanian locale (ANSI code
page 1250, OEM 852), program folders whose names hold Romanian letters inside and outside
code page 1250, archives whose entries are named in Romanian by Info-ZIP, 7-Zip and an
MS-DOS tool, and an archive Info-ZIP wrote from standard input.

The cases run on a wine prefix of their own whose wineserver is started in that locale (the
locale is taken when the wineserver starts); the server is stopped at the end."""
import os
import random
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.environ["QUILL_SOURCE_DIR"], "tests", "support"))
import quill_e2e as e2e  # noqa: E402

ROMANIAN = {"LANG": "ro_RO.UTF-8", "LC_ALL": "ro_RO.UTF-8"}
PREFIX = os.path.join(e2e.BINARY_DIR, "wineprefix-ro")
# Every wine process of this script, the registry queries included, runs in that prefix.
os.environ.update(ROMANIAN, WINEPREFIX=PREFIX)

from install_e2e import DIALOG, INSTALLED, Installation, answer_box, registry_version  # noqa: E402

PASSWORD = "marigoldstep"
IN_1250 = "Contabilitate Firmă"
OUTSIDE_1250 = "Știință"  # S and t with comma below: not in code page 1250
with open(os.environ["QUILL_FAKE_V2"], "rb") as f:
    QUILL_V2 = f.read()
# Romanian names as the keyboard types them (comma below) and as older text has them (cedilla).
CONTENT = {
    "quill.exe": QUILL_V2,
    "bilanț.xls": b"Bilant contabil 2026\r\n" * 40,
    "Îndrumar.pdf": random.Random(1250).randbytes(1300000),
    "ştiri.txt": "Ştiri: firma şi-a închis anul.\r\n".encode("utf-8"),
}
# Code page 852 has the cedilla letters only.
CONTENT_852 = {name.replace("ț", "ţ"): data for name, data in CONTENT.items()}


def session(action):
    script = os.path.join(e2e.SOURCE_DIR, "scripts", "wine-session.sh")
    subprocess.run(["bash", script, action, e2e.BINARY_DIR], capture_output=True, check=True)


def tool_archive(command, files, placeholder=None):
    """Runs command (zip or 7z arguments; ARCHIVE stands for the output) in a folder holding
    `files`; with placeholder, each name is first written as placeholder(name)."""
    work = tempfile.mkdtemp(prefix="names-src-")
    try:
        for name, data in files.items():
            path = os.path.join(work, placeholder(name) if placeholder else name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
        out = os.path.join(work, "out.zip")
        names = sorted(placeholder(n) if placeholder else n for n in files)
        args = [out if a == "ARCHIVE" else a for a in command]
        if "NAMES" in args:
            i = args.index("NAMES")
            args[i:i + 1] = names
        subprocess.run(args, cwd=work, check=True, capture_output=True,
                       env=dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8"))
        with open(out, "rb") as f:
            return f.read()
    finally:
        shutil.rmtree(work)


def infozip_archive():
    # Info-ZIP on Linux: UTF-8 names without the UTF-8 flag, host Unix.
    return tool_archive(["zip", "-q", "-P", PASSWORD, "ARCHIVE", "NAMES"], CONTENT)


def sevenzip_archive():
    # 7-Zip: UTF-8 names with the UTF-8 flag.
    return tool_archive(["7z", "a", "-tzip", "-p" + PASSWORD, "-mem=ZipCrypto", "ARCHIVE",
                         "NAMES"], CONTENT)


def oem852_archive():
    """Names in code page 852 from an MS-DOS host: Info-ZIP writes same-length ASCII
    stand-ins, which are then replaced by the 852 bytes, the creator's host set to 0."""
    stand_in = {}

    def placeholder(name):
        encoded = name.encode("cp852")
        ascii_name = "".join(c if ord(c) < 128 else "x" for c in name)
        assert len(ascii_name.encode()) == len(encoded)
        stand_in[ascii_name.encode()] = encoded
        return ascii_name

    data = bytearray(tool_archive(["zip", "-q", "-P", PASSWORD, "ARCHIVE", "NAMES"],
                                  CONTENT_852, placeholder))

    def u16(at):
        return int.from_bytes(data[at:at + 2], "little")

    end = len(data) - 22
    assert data[end:end + 4] == b"PK\x05\x06"
    central = int.from_bytes(data[end + 16:end + 20], "little")
    for _ in range(u16(end + 10)):
        local = int.from_bytes(data[central + 42:central + 46], "little")
        for name_at in (central + 46, local + 30):
            length = u16(central + 28)
            name = bytes(data[name_at:name_at + length])
            data[name_at:name_at + length] = stand_in.get(name, name)
        data[central + 5] = 0  # made by MS-DOS
        central += 46 + u16(central + 28) + u16(central + 30) + u16(central + 32)
    return bytes(data)


def stdin_archive():
    """Info-ZIP adding standard input ("-"): a local header with sizes 0xFFFFFFFF and a Zip64
    field, a Zip64 data descriptor, a Zip64 end record, central sizes of 32 bits."""
    files = {"quill.exe": QUILL_V2, "bilanț.xls": CONTENT["bilanț.xls"]}
    work = tempfile.mkdtemp(prefix="names-stdin-")
    try:
        for name, data in files.items():
            with open(os.path.join(work, name), "wb") as f:
                f.write(data)
        out = os.path.join(work, "out.zip")
        env = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8")
        subprocess.run(["zip", "-q", "-P", PASSWORD, out, *files], cwd=work, check=True, env=env)
        subprocess.run(["zip", "-q", "-P", PASSWORD, out, "-"], cwd=work, check=True, env=env,
                       input=CONTENT["ştiri.txt"])
        with open(out, "rb") as f:
            archive = f.read()
    finally:
        shutil.rmtree(work)
    assert b"PK\x06\x06" in archive and b"\xff\xff\xff\xff\xff\xff\xff\xff" in archive
    return archive, dict(files, **{"-": CONTENT["ştiri.txt"]})


def tree(folder):
    """Every file under folder (relative, "/"-separated) with its bytes."""
    found = {}
    for top, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(top, name)
            with open(path, "rb") as f:
                found[os.path.relpath(path, folder).replace(os.sep, "/")] = f.read()
    return found


class RomanianNamesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # Without the locale on the Linux side wine falls back to code page 1252 unasked.
        locales = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout
        if "ro_RO.utf8" not in locales.split():
            raise RuntimeError("locale ro_RO.UTF-8 missing: localedef -i ro_RO -f UTF-8 "
                               "ro_RO.UTF-8 (scripts/setup.sh does it)")
        session("start")

    @classmethod
    def tearDownClass(cls):
        session("stop-server")

    def setUp(self):
        subprocess.run([e2e.WINE_RUN, "reg", "delete", r"HKCU\Quillora\Diverse", "/v",
                        "VersiuneStructura", "/f"], capture_output=True, cwd="/")
        self.installation = None

    def tearDown(self):
        if self.installation:
            self.installation.close()

    def install(self, folder, archive, expected, probe=None):
        """The whole road into `folder`; checks that exactly the archive's files landed,
        byte for byte, and that nothing was written beside the folder. With probe (a folder),
        the watched build runs and leaves its notes there."""
        inst = self.installation = Installation(
            "names", updater="updater_probe.exe" if probe else "updater.exe", folder=folder)
        inst.program.write_release("UpdateQl.zip", archive)
        before = set(os.listdir(inst.program.folder))
        env = {"QUILL_PROBE_DIR": e2e.windows_path(probe)} if probe else None
        with e2e.UpdateServer(inst.program.release):
            self.assertIsNotNone(inst.start(env=env), "the dialog did not open")
            e2e.click_child(DIALOG, "Descarca actualizarea")
            self.assertEqual(answer_box("updater", timeout=90, process=inst.updater), INSTALLED)
            self.assertEqual(inst.updater.wait(timeout=30), 0)

        self.assertEqual(inst.file("firme.reg"), b"2.0.0.0\r\n")
        self.assertEqual(registry_version(), "2.0.0.0")
        landed = tree(inst.program.folder)
        for name in (before | {"UpdateQl.zip", "lastVerNet.txt", "firme.reg"}) - set(expected):
            landed.pop(name, None)
        self.assertEqual(sorted(landed), sorted(expected))
        for name, data in expected.items():
            self.assertTrue(landed[name] == data, "%s differs" % name)
        # Beside the program folder only what the test itself keeps there.
        self.assertEqual(sorted(os.listdir(inst.program.root)),
                         sorted([folder, "release", "requests.log"]))

    def test_folder_with_code_page_letters_and_info_zip_names(self):
        """"Contabilitate Firmă"; the download caption with the Romanian separators."""
        probe = tempfile.mkdtemp(prefix="names-probe-", dir=os.path.join(e2e.BINARY_DIR, "e2e"))
        self.install(IN_1250, infozip_archive(), CONTENT, probe=probe)
        with open(os.path.join(probe, "captions.txt"), encoding="latin-1") as f:
            downloads = [line.rstrip("\n").split("\t")[1] for line in f
                         if line.startswith("download\t")]
        amount = r"\d{1,3}(?:\.\d{3})*,\d\d"
        self.assertTrue(downloads)
        for text in downloads:
            self.assertRegex(text, r"^%s KB / %s KB$" % (amount, amount))
        self.assertRegex(downloads[-1], r"^1\.\d{3},\d\d KB / 1\.\d{3},\d\d KB$")

    def test_folder_outside_the_code_page_and_7zip_names(self):
        self.install(OUTSIDE_1250, sevenzip_archive(), CONTENT)

    def test_oem_852_names(self):
        self.install(OUTSIDE_1250, oem852_archive(), CONTENT_852)

    def test_archive_zipped_from_standard_input(self):
        archive, files = stdin_archive()
        self.install(IN_1250, archive, files)


if __name__ == "__main__":
    unittest.main(verbosity=2)
