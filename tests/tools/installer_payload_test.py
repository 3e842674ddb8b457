#!/usr/bin/env python3
"""The list of what is installed, turned into both installers' input: what
the setup program's include and the WiX source say must agree with the list,
and a faulty list must stop the build instead of making a package without a
file."""

import os
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

TOP = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
SCRIPT = os.path.join(TOP, "scripts", "installer_payload.py")
WIX = "{http://schemas.microsoft.com/wix/2006/wi}"

LIST = r'''
product "Probe 1"
publisher "Haus & Hof"
upgrade-code "{11111111-2222-3333-4444-555555555555}"
file  probe.exe           program
file  Hilfe/Anleitung.html  guide
files Hilfe/bilder        pictures  *.png
shortcut "Probe 1"   probe.exe
shortcut "Anleitung" Hilfe/Anleitung.html
key   "Software\Probe\Ordner"
value Path "[DIR]"
key   "Software\Classes\.prb"
value ""   "Probe.Datei"
key taken-over "Software\Classes\.prx"
value ""   "Probe.Datei"
key   "Software\Classes\Probe.Datei\shell\open\command"
value ""   "\"[DIR]probe.exe\" \"%1\" $HOME"
'''


class PayloadTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.dir = self.folder.name
        for name in ("probe64.exe", "probe32.exe", "Anleitung.html"):
            self.write(name, name)
        os.mkdir(self.path("bilder"))
        for name in ("b.png", "a.png", "notiz.txt"):
            self.write(os.path.join("bilder", name), name)
        self.write("list.txt", LIST)

    def tearDown(self):
        self.folder.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, text):
        with open(self.path(name), "w", encoding="utf-8") as f:
            f.write(text)

    def run_script(self, *args, list_name="list.txt"):
        return subprocess.run([sys.executable, SCRIPT, self.path(list_name), *args],
                              capture_output=True, text=True)

    def sources(self, bits=64):
        return ["--source", f"program={self.path(f'probe{bits}.exe')}",
                "--source", f"guide={self.path('Anleitung.html')}",
                "--source", f"pictures={self.path('bilder')}"]

    def test_setup_include_installs_and_removes_exactly_the_list(self):
        out = self.path("payload.nsh")
        result = self.run_script("nsis", out, *self.sources(),
                                 "--source32", f"program={self.path('probe32.exe')}")
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(out, encoding="utf-8-sig") as f:
            text = f.read()
        # The build that fits the machine: both sources, chosen at run time.
        self.assertIn(self.path("probe64.exe"), text)
        self.assertIn(self.path("probe32.exe"), text)
        self.assertIn("${If} ${RunningX64}", text)
        # Only the pictures the pattern takes, in a fixed order.
        self.assertLess(text.index("a.png"), text.index("b.png"))
        self.assertNotIn("notiz.txt", text)
        for target in ("probe.exe", "Hilfe\\Anleitung.html", "Hilfe\\bilder\\a.png"):
            self.assertIn(f'Delete "$INSTDIR\\{target}"', text)
        # Folders go after their files, deepest first, and only when empty.
        self.assertLess(text.index('RMDir "$INSTDIR\\Hilfe\\bilder"'), text.index('RMDir "$INSTDIR\\Hilfe"'))
        self.assertNotIn("RMDir /r", text)
        # Quotes in the data are kept by another delimiter, $ is not a variable.
        self.assertIn("'\"$INSTDIR\\probe.exe\" \"%1\" $$HOME'", text)
        # A key another program may have taken over goes only while it is ours.
        self.assertIn('StrCmp $0 "Probe.Datei" 0 +2\n    DeleteRegKey HKLM "Software\\Classes\\.prx"', text)
        self.assertIn('  DeleteRegKey HKLM "Software\\Classes\\.prb"', text)
        self.assertIn('!define PUBLISHER "Haus & Hof"', text)

    def test_wix_source_has_a_component_for_every_file_and_the_same_keys(self):
        out = self.path("probe.wxs")
        result = self.run_script("wxs", out, "--arch", "x86", *self.sources(32))
        self.assertEqual(result.returncode, 0, result.stderr)
        root = ET.parse(out).getroot()
        files = root.iter(WIX + "File")
        sources = sorted(os.path.normpath(os.path.join(self.dir, f.get("Source"))) for f in files)
        self.assertEqual(sources, sorted([self.path("probe32.exe"), self.path("Anleitung.html"),
                                          self.path(os.path.join("bilder", "a.png")),
                                          self.path(os.path.join("bilder", "b.png"))]))
        components = list(root.iter(WIX + "Component"))
        # A 32-bit package has no 64-bit component; each code is unique.
        self.assertTrue(all(c.get("Win64") is None for c in components))
        self.assertEqual(len({c.get("Guid") for c in components}), len(components))
        values = {(v.get("Key"), v.get("Value")) for v in root.iter(WIX + "RegistryValue")}
        self.assertIn(("Software\\Classes\\Probe.Datei\\shell\\open\\command",
                       '"[INSTALLDIR]probe.exe" "%1" $HOME'), values)
        self.assertIn(("Software\\Classes\\.prx", "Probe.Datei"), values)
        shortcuts = {s.get("Name"): s.get("Target") for s in root.iter(WIX + "Shortcut")}
        self.assertEqual(set(shortcuts), {"Probe 1", "Anleitung"})
        self.assertTrue(shortcuts["Anleitung"].startswith("[#file_Hilfe"))
        folders = [d.get("Id") for d in root.iter(WIX + "Directory")]
        self.assertIn("ProgramFilesFolder", folders)
        self.assertNotIn("ProgramFiles64Folder", folders)

    def test_component_codes_stay_from_build_to_build_and_differ_by_architecture(self):
        def guids(arch):
            out = self.path(f"{arch}.wxs")
            self.assertEqual(self.run_script("wxs", out, "--arch", arch, *self.sources()).returncode, 0)
            return [c.get("Guid") for c in ET.parse(out).getroot().iter(WIX + "Component")]
        first = guids("x64")
        self.assertEqual(first, guids("x64"))
        self.assertFalse(set(first) & set(guids("x86")))

    def test_faulty_lists_stop_the_build(self):
        cases = {
            "no pictures": (LIST.replace("*.png", "*.gif"), "nothing matches"),
            "twice": (LIST + "file Probe.EXE program\n", "installed twice"),
            "shortcut to nothing": (LIST + 'shortcut "X" fehlt.exe\n', "not installed"),
            "value first": ('value "" "x"\n' + LIST, "a value before any key"),
            "unknown": (LIST + "datei x y\n", "cannot read"),
            "no folder entry": (LIST.replace('value Path "[DIR]"', 'value Pfad "[DIR]"'), "names the program folder"),
        }
        for name, (text, message) in cases.items():
            with self.subTest(name):
                self.write("bad.txt", text)
                result = self.run_script("wxs", self.path("bad.wxs"), "--arch", "x64",
                                         *self.sources(), list_name="bad.txt")
                self.assertNotEqual(result.returncode, 0)
                self.assertIn(message, result.stderr)

    def test_the_project_list_names_what_the_program_needs(self):
        result = subprocess.run([sys.executable, SCRIPT, os.path.join(TOP, "installer", "payload.txt"),
                                 "files"], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stderr)
        files = result.stdout.split()
        for needed in ("klavento.exe", "kvtool.exe", "Handbuch\\Benutzerhandbuch.html",
                       "Richtlinien\\klavento.admx", "Richtlinien\\de-DE\\klavento.adml"):
            self.assertIn(needed, files)


if __name__ == "__main__":
    unittest.main()
