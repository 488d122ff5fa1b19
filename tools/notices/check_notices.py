#!/usr/bin/env python3
"""Checks that every library linked and every file bundled into one artefact has its notice.

THIRD_PARTY_NOTICES.txt is made of sections, each with a "Covers:" line (names or shell patterns of
the libraries and files it is the notice for) and an "In:" line (the artefacts holding them). What
an artefact holds is read from what built it:

  --map FILE      a GNU linker map: every archive a member was taken from (our own archives, those
                  under an --own folder, excepted)
  --elf FILE      an ELF program: the shared libraries it needs (readelf -d)
  --link-line F   a linker command line (CMake's link.txt): every .a file and -lNAME in it
  --folder DIR    a folder handed out as it is: every file in it, which must include the notices
  --preloaded JS  an emscripten loader: the files packed into its .data file
  --component N   a part no build file names (the emscripten runtime)

Exits 1, one line per library or file without a notice, naming it and the artefact.

  check_notices.py --notices THIRD_PARTY_NOTICES.txt --artefact linux --elf build/app/davur_evi ...
"""
import argparse
import fnmatch
import os
import re
import subprocess
import sys

NOTICES_NAME = "THIRD_PARTY_NOTICES.txt"


def read_sections(path):
    """[(title, [patterns], {artefacts})] from the notices file."""
    sections, title, covers = [], None, None
    previous = ""
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\r\n")
            if line.startswith("Covers:"):
                title, covers = previous, line[len("Covers:"):].split()
            elif line.startswith("In:") and covers is not None:
                sections.append((title, covers, set(line[len("In:"):].split())))
                covers = None
            previous = line
    return sections


def archives_in_map(path, own):
    """Archives the linker took members from, per its map's first section."""
    found = set()
    member = re.compile(r"^(\S+\.(?:a|lib))\((.*)\)")
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            if line.startswith(("Discarded input sections", "Memory Configuration")):
                break
            m = member.match(line)
            if m:
                archive = os.path.realpath(os.path.join(os.path.dirname(path), m.group(1)))  # Relative to the link
                if not any(archive.startswith(o) for o in own):
                    found.add(os.path.basename(archive))
    return found


def needed_libraries(path):
    out = subprocess.run(["readelf", "-d", path], check=True, capture_output=True, text=True).stdout
    return set(re.findall(r"\(NEEDED\)\s+Shared library: \[([^\]]+)\]", out))


def libraries_in_link_line(path, own, base=None):
    """Every .a file and -lNAME of a link line, and of the response files (@FILE) it names."""
    found = set()
    if base is None:  # Where CMake runs the link: the target's build folder, above CMakeFiles
        marker = os.sep + "CMakeFiles" + os.sep
        base = path.split(marker)[0] if marker in path else os.path.dirname(path)
    with open(path, encoding="utf-8") as f:
        for token in f.read().split():
            if token.startswith("@"):
                found |= libraries_in_link_line(os.path.join(base, token[1:]), own, base)
            elif token.startswith("-l") and len(token) > 2:
                found.add("lib" + token[2:] + ".a")
            elif token.endswith(".a"):
                real = os.path.realpath(os.path.join(base, token))  # Relative to where CMake links
                if not any(real.startswith(o) for o in own):
                    found.add(os.path.basename(token))
    return found


def files_in_folder(path):
    found = set()
    for _, _, files in os.walk(path):
        found.update(files)
    return found


def preloaded_files(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    return {os.path.basename(p) for p in re.findall(r'"filename":\s*"([^"]+)"', text)}


def main():
    parser = argparse.ArgumentParser(description="every library and file of an artefact has its notice")
    parser.add_argument("--notices", required=True)
    parser.add_argument("--artefact", required=True, help="linux, windows or web, as on the In: lines")
    parser.add_argument("--map", action="append", default=[])
    parser.add_argument("--elf", action="append", default=[])
    parser.add_argument("--link-line", action="append", default=[])
    parser.add_argument("--folder", action="append", default=[])
    parser.add_argument("--preloaded", action="append", default=[])
    parser.add_argument("--component", action="append", default=[])
    parser.add_argument("--own", action="append", default=[], help="a build folder: archives in it are ours")
    args = parser.parse_args()
    own = [os.path.realpath(o) + os.sep for o in args.own]

    sections = read_sections(args.notices)
    if not sections:
        print(f"{args.notices}: no sections with Covers: and In: lines", file=sys.stderr)
        return 1

    parts = {}  # name -> where it was found
    def add(names, where):
        for name in names:
            parts.setdefault(name, where)
    for m in args.map:
        add(archives_in_map(m, own), m)
    for e in args.elf:
        add(needed_libraries(e), e)
    for line in args.link_line:
        add(libraries_in_link_line(line, own), line)
    for folder in args.folder:
        files = files_in_folder(folder)
        if NOTICES_NAME not in files:
            print(f"{args.artefact}: {folder} does not carry {NOTICES_NAME}", file=sys.stderr)
            return 1
        add(files, folder)
    for js in args.preloaded:
        add(preloaded_files(js), js)
    add(args.component, "--component")
    if not parts:
        print(f"{args.artefact}: nothing found to check (no map, program, link line or folder given?)",
              file=sys.stderr)
        return 1

    missing = []
    for name, where in sorted(parts.items()):
        covering = [s for s in sections if any(fnmatch.fnmatchcase(name, p) for p in s[1])]
        if not any(args.artefact in s[2] for s in covering):
            detail = (f"its section ({covering[0][0]}) is not for {args.artefact}" if covering
                      else f"add a section to {os.path.basename(args.notices)} that covers it")
            missing.append(f"{args.artefact}: {name} (from {where}) has no notice: {detail}")
    for line in missing:
        print(line, file=sys.stderr)
    if missing:
        return 1
    print(f"notices: {args.artefact}: each has its notice: {' '.join(sorted(parts))}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
