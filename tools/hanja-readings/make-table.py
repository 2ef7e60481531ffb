#!/usr/bin/env python3
"""Writes the Hanja reading table of the character table (src/windows/core/HanjaReadingTable.inc).

The 4888 Hanja of KS X 1001 (lead bytes 0xCA-0xFD, trail bytes 0xA1-0xFE) are in the order of
their Korean readings. The table lists, for each reading (a KS X 1001 Hangul syllable), the
index of its first Hanja in that order and how many Hanja share it.

Sources (Debian packages):
  - glibc's iconv (EUC-KR): the Unicode character of every Hanja code, in order;
  - unicode-data: Unihan's kKSC0 (the same enumeration, cross-checked) and kHangul (the
    readings; those marked "0" are the readings KS X 1001 files the character under);
  - libhangul-data: hanja.txt, an independent list of readings, cross-checked.

Where a character has several readings, the one that keeps the readings in order at its
place is taken (the smallest reading not before the previous Hanja's).

Run once; the output is checked in:  python3 tools/hanja-readings/make-table.py
"""
import bz2
import collections
import os
import subprocess
import sys
import unicodedata

UNIHAN = "/usr/share/unicode"
LIBHANGUL = "/usr/share/libhangul/hanja/hanja.txt"
OUT = os.path.join(os.path.dirname(__file__), "..", "..", "src", "windows", "core", "HanjaReadingTable.inc")


def hanja_codes():
    return [(lead << 8) | trail for lead in range(0xCA, 0xFE) for trail in range(0xA1, 0xFF)]


def iconv_characters(codes):
    raw = b"".join(bytes([c >> 8, c & 0xFF]) for c in codes)
    out = subprocess.run(["iconv", "-f", "EUC-KR", "-t", "UTF-32BE"], input=raw, capture_output=True,
                         check=True).stdout
    return [int.from_bytes(out[i:i + 4], "big") for i in range(0, len(out), 4)]


def unihan(file_name, field):
    values = {}
    with bz2.open(os.path.join(UNIHAN, file_name), "rt", encoding="utf-8") as f:
        for line in f:
            parts = line.rstrip("\n").split("\t")
            if len(parts) == 3 and parts[1] == field:
                values[int(parts[0][2:], 16)] = parts[2]
    return values


def ksc_of(syllable):
    b = syllable.encode("euc-kr")
    if len(b) != 2 or not 0xB0 <= b[0] <= 0xC8:
        raise ValueError(f"{syllable!r} is not a KS X 1001 Hangul syllable")
    return (b[0] << 8) | b[1]


def ordered_readings(characters, candidates):
    """One reading per character, never before the previous one; None where none fits."""
    readings, last = [], 0
    for ch in characters:
        fitting = sorted(c for c in (ksc_of(r) for r in candidates(ch)) if c >= last)
        readings.append(fitting[0] if fitting else None)
        if fitting:
            last = fitting[0]
    return readings


def fail(message):
    sys.exit("make-table: " + message)


def main():
    codes = hanja_codes()
    characters = iconv_characters(codes)
    if len(characters) != 4888:
        fail(f"iconv gave {len(characters)} characters for 4888 codes")

    # The enumeration, twice.
    ksc0 = {}
    for cp, value in unihan("Unihan_OtherMappings.txt.bz2", "kKSC0").items():
        row, cell = divmod(int(value), 100)
        ksc0[((0xA0 + row) << 8) | (0xA0 + cell)] = cp
    for code, cp in zip(codes, characters):
        if ksc0.get(code) != cp:
            fail(f"iconv and kKSC0 differ at {code:04X}: U+{cp:04X} / {ksc0.get(code)}")

    # Readings from Unihan: those marked as KS X 1001's, else any.
    marked, any_reading = collections.defaultdict(set), collections.defaultdict(set)
    for cp, value in unihan("Unihan_Readings.txt.bz2", "kHangul").items():
        for entry in value.split():
            reading, sources = entry.split(":")
            any_reading[cp].add(reading)
            if "0" in sources:
                marked[cp].add(reading)
    primary = ordered_readings(characters, lambda cp: marked.get(cp) or any_reading.get(cp, ()))

    # Readings from libhangul (which lists the compatibility ideographs under their
    # canonical characters).
    listed = collections.defaultdict(set)
    with open(LIBHANGUL, encoding="utf-8") as f:
        for line in f:
            parts = line.split(":")
            if line.startswith("#") or len(parts) < 2 or len(parts[0]) != 1 or len(parts[1]) != 1:
                continue
            listed[ord(parts[1])].add(parts[0])
    canonical = lambda cp: ord(unicodedata.normalize("NFC", chr(cp)))
    for i, (code, cp) in enumerate(zip(codes, characters)):
        if primary[i] is None:
            fail(f"no reading in order for {code:04X} U+{cp:04X}")
        if primary[i] not in {ksc_of(r) for r in listed.get(canonical(cp), ())}:
            fail(f"libhangul does not read {code:04X} U+{cp:04X} as {primary[i]:04X}")
    second = ordered_readings(characters, lambda cp: listed.get(canonical(cp), ()))
    for i, (a, b) in enumerate(zip(primary, second)):
        if a != b:
            # Both readings are the character's; KS X 1001 files it under Unihan's.
            print(f"note: {codes[i]:04X} U+{characters[i]:04X} in order as {a:04X} (Unihan) or {b:04X} (libhangul)")

    runs = []
    for i, reading in enumerate(primary):
        if runs and runs[-1][0] == reading:
            runs[-1][2] += 1
        else:
            runs.append([reading, i, 1])
    if len(runs) != 473 or sum(r[2] for r in runs) != 4888 or len({r[0] for r in runs}) != 473:
        fail(f"{len(runs)} runs of {sum(r[2] for r in runs)} Hanja")

    with open(OUT, "w", encoding="ascii", newline="\n") as out:
        out.write("// Written by tools/hanja-readings/make-table.py; do not edit.\n")
        out.write("// {KS X 1001 Hangul syllable, index of its first Hanja, count of its Hanja}\n")
        for reading, first, count in runs:
            out.write(f"{{0x{reading:04X}, {first}, {count}}},\n")
    print(f"{len(runs)} readings, {sum(r[2] for r in runs)} Hanja -> {os.path.normpath(OUT)}")


if __name__ == "__main__":
    main()
