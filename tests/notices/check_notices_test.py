#!/usr/bin/env python3
"""The notices check on made-up artefacts: it passes what has notices and refuses, naming it, every
library or file without one, whichever build file it was read from.

  check_notices_test.py path/to/check_notices.py
"""
import os
import subprocess
import sys
import tempfile
import unittest

CHECKER = None

NOTICES = """Intro text that is no section.
==========
raylib
Covers: libraylib.a
In: linux windows
----------
zlib text
==========
Xiph
Covers: libogg.a libvorbis*.a libvorbis*.so.*
In: linux windows web
----------
BSD text
==========
Font
Covers: DejaVuSansMono.ttf THIRD_PARTY_NOTICES.txt index.html
In: web
----------
font text
"""

# A GNU linker map as ld writes it: archives relative to the folder the link ran in
MAP = """Archive member included to satisfy reference by file (symbol)

../app/libapp.a(frame_loop.cpp.o)
                              CMakeFiles/davur_evi.dir/main.cpp.o (startShow)
/deps/lib/libraylib.a(rcore.c.o)
                              ../app/libapp.a(frame_loop.cpp.o) (InitWindow)
/deps/lib/libvorbisfile.a(vorbisfile.o)
                              ../audio/libaudio.a(track.cpp.o) (ov_open)
/deps/lib/libogg.a(framing.o)  /deps/lib/libvorbisfile.a(vorbisfile.o) (ogg_sync_init)

Discarded input sections

 .text          0x0000000000000000        0x0 /deps/lib/libnotlinked.a(x.o)
"""


class NoticesCheck(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.root = self.dir.name
        self.build = os.path.join(self.root, "build")
        os.makedirs(os.path.join(self.build, "app"))
        os.makedirs(os.path.join(self.build, "audio"))
        self.notices = self.write("THIRD_PARTY_NOTICES.txt", NOTICES)

    def tearDown(self):
        self.dir.cleanup()

    def write(self, name, text):
        path = os.path.join(self.root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            f.write(text)
        return path

    def check(self, artefact, *args):
        run = subprocess.run([sys.executable, CHECKER, "--notices", self.notices, "--artefact", artefact,
                              "--own", self.build, *args], capture_output=True, text=True)
        return run.returncode, run.stdout + run.stderr

    def map_with(self, extra=""):
        return self.write("build/app/davur_evi.map", MAP.replace("\nDiscarded", extra + "\nDiscarded"))

    def test_a_map_whose_archives_all_have_notices_passes_and_ours_are_skipped(self):
        status, out = self.check("linux", "--map", self.map_with())
        self.assertEqual(status, 0, out)
        self.assertIn("libogg.a libraylib.a libvorbisfile.a", out)
        self.assertNotIn("libapp.a", out)
        self.assertNotIn("libnotlinked.a", out)  # Named in the map, but nothing was taken from it

    def test_an_archive_added_without_a_notice_is_named(self):
        status, out = self.check("linux", "--map", self.map_with("/usr/lib/libsndfile.a(sndfile.o)  x.o (sf_open)\n"))
        self.assertEqual(status, 1)
        self.assertIn("linux: libsndfile.a", out)
        self.assertIn("has no notice", out)
        self.assertEqual(out.count("has no notice"), 1, out)

    def test_an_archive_of_a_folder_not_ours_is_checked(self):
        other = self.write("build/app/davur_evi.map", MAP.replace("../app/libapp.a", "/elsewhere/libapp.a"))
        status, out = self.check("linux", "--map", other)
        self.assertEqual(status, 1)
        self.assertIn("libapp.a", out)

    def test_a_notice_for_another_artefact_does_not_count(self):
        status, out = self.check("web", "--map", self.map_with())
        self.assertEqual(status, 1)
        self.assertIn("web: libraylib.a", out)
        self.assertIn("is not for web", out)

    def test_link_lines_name_archives_and_libraries(self):
        line = self.write("build/app/CMakeFiles/davur_evi.dir/link.txt",
                          "em++ -O2 CMakeFiles/davur_evi.dir/main.cpp.o -o davur_evi.js libapp.a "
                          "@CMakeFiles/davur_evi.dir/linkLibs.rsp\n")
        self.write("build/app/CMakeFiles/davur_evi.dir/linkLibs.rsp",  # As CMake writes it for emscripten
                   "../audio/libaudio.a /deps/lib/libvorbis.a /deps/lib/libogg.a -lvorbisenc")
        status, out = self.check("web", "--link-line", line)
        self.assertEqual(status, 0, out)
        self.assertIn("libogg.a libvorbis.a libvorbisenc.a", out)
        status, out = self.check("web", "--link-line", self.write("l.txt", "c++ a.o -lsndfile\n"))
        self.assertEqual((status, "libsndfile.a" in out), (1, True), out)

    def test_a_folder_must_carry_the_notices_and_every_file_in_it_needs_one(self):
        folder = os.path.join(self.root, "web")
        self.write("web/index.html", "<p>")
        status, out = self.check("web", "--folder", folder)
        self.assertEqual(status, 1)
        self.assertIn("does not carry THIRD_PARTY_NOTICES.txt", out)
        self.write("web/THIRD_PARTY_NOTICES.txt", NOTICES)
        self.assertEqual(self.check("web", "--folder", folder)[0], 0)
        self.write("web/sub/extra.wasm", "")
        status, out = self.check("web", "--folder", folder)
        self.assertEqual(status, 1)
        self.assertIn("extra.wasm", out)

    def test_preloaded_files_and_named_components(self):
        js = self.write("web/davur_evi.js",
                        'loadPackage({"files": [{"filename": "/usr/share/fonts/DejaVuSansMono.ttf", "start": 0}, '
                        '{"filename": "/assets/audio/output.ogg", "start": 9}]})')
        status, out = self.check("web", "--preloaded", js)
        self.assertEqual(status, 1)
        self.assertIn("output.ogg", out)
        self.assertNotIn("DejaVuSansMono.ttf (", out)
        status, out = self.check("web", "--component", "emscripten-runtime")
        self.assertEqual((status, "emscripten-runtime" in out), (1, True))

    def test_nothing_to_check_or_no_sections_is_a_failure(self):
        status, out = self.check("linux")
        self.assertEqual(status, 1)
        self.assertIn("nothing found", out)
        self.notices = self.write("empty.txt", "no sections here\n")
        status, out = self.check("linux", "--map", self.map_with())
        self.assertEqual(status, 1)
        self.assertIn("no sections", out)


if __name__ == "__main__":
    CHECKER = sys.argv.pop(1)
    unittest.main(verbosity=1)
