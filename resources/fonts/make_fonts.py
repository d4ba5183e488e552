#!/usr/bin/python3
"""Makes the program's own fonts: subsets of Debian's Noto CJK faces (package fonts-noto-cjk)
holding exactly the characters of the program's fixed texts, ASCII, and what short dates are
written with. A serif for the header, the closest free face to SimSun, and a sans for the rest.

Writes, next to this script:
  marlinth-serif.otf   family "Marlinth Serif", from Noto Serif CJK SC
  marlinth-sans.otf    family "Marlinth Sans", from Noto Sans CJK SC
  OFL.txt              their licence, the SIL Open Font License 1.1, as Debian ships it

Needs python3-fonttools; run it again after a fixed text changes (the test
resources.fonts_cover_texts says when):
    /usr/bin/python3 make_fonts.py
    /usr/bin/python3 make_fonts.py --check    (exit status 1 if a character is missing,
                                              77 without python3-fonttools)
The output is deterministic; rerunning it must not change the files.
"""
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
# The program's own sources, whose string literals are its fixed texts; the Windows back end's
# own texts are drawn by Windows, in its fonts, and never by these.
SOURCES = ["app", "checks", "folder", "ui"]
NOT_DRAWN_HERE = [os.path.join("ui", "win32")]
NOTO = "/usr/share/fonts/opentype/noto"
# In Debian's collections the Simplified Chinese face is font number 2.
FACES = [("marlinth-serif.otf", "Marlinth Serif", "NotoSerifCJK-Regular.ttc"),
         ("marlinth-sans.otf", "Marlinth Sans", "NotoSansCJK-Regular.ttc")]
SC_FONT_NUMBER = 2
# Beyond ASCII, what short dates may hold in the locales a Chinese user has.
DATE_CHARACTERS = "年月日"
LICENCE_SOURCE = "/usr/share/doc/fonts-noto-cjk/copyright"

STRING_LITERAL = re.compile(r'"((?:[^"\\\n]|\\.)*)"')


def fixed_text_characters():
    """Every character of every string literal in the program's sources."""
    characters = set()
    for folder in SOURCES:
        for directory, _, files in os.walk(os.path.join(ROOT, folder)):
            if os.path.relpath(directory, ROOT) in NOT_DRAWN_HERE:
                continue
            for name in sorted(files):
                if name.endswith((".cpp", ".h")):
                    with open(os.path.join(directory, name), encoding="utf-8") as source:
                        for literal in STRING_LITERAL.findall(source.read()):
                            characters.update(literal)
    return characters


def wanted_characters():
    ascii_printable = {chr(code) for code in range(0x20, 0x7F)}
    return "".join(sorted(fixed_text_characters() | ascii_printable | set(DATE_CHARACTERS)))


def rename(font, family):
    """A family name of its own: Noto is a trademark, which a modified version may not use."""
    postscript = family.replace(" ", "") + "-Regular"
    names = {1: family, 3: postscript, 4: family + " Regular", 6: postscript, 16: family}
    for record in font["name"].names:
        if record.nameID in names:
            record.string = names[record.nameID]
    cff = font["CFF "].cff
    cff.fontNames = [postscript]
    top = cff.topDictIndex[0]
    for key, value in (("FamilyName", family), ("FullName", family + " Regular")):
        if hasattr(top, key):
            setattr(top, key, value)


def make(output, family, source, characters):
    from fontTools import subset
    from fontTools.ttLib import TTFont

    options = subset.Options()
    options.name_IDs = ["*"]  # the licence and its address stay with the font
    options.name_languages = ["*"]
    options.hinting = True  # hinted as the system's face is, so that it renders the same
    options.desubroutinize = True
    font = TTFont(os.path.join(NOTO, source), fontNumber=SC_FONT_NUMBER, recalcTimestamp=False)
    subsetter = subset.Subsetter(options)
    subsetter.populate(text=characters)
    subsetter.subset(font)
    rename(font, family)
    font.save(os.path.join(HERE, output))


def licence_text():
    """The OFL as it stands in Debian's copyright file, without the file's indentation."""
    lines = []
    with open(LICENCE_SOURCE, encoding="utf-8") as copyright_file:
        inside = False
        for line in copyright_file:
            if line.startswith("License: SIL-1.1") and not line.strip().endswith("1.1"):
                continue
            if line.strip() == "SIL OPEN FONT LICENSE Version 1.1 - 26 February 2007":
                inside = True
            elif inside and not line.startswith(" "):
                break
            if inside:
                text = line[1:].rstrip("\n")
                lines.append("" if text == "." else text)
    return "\n".join(lines).rstrip() + "\n"


def missing_characters():
    """Characters of the fixed texts that a font lacks, by font file."""
    from fontTools.ttLib import TTFont

    missing = {}
    for output, _, _ in FACES:
        cmap = TTFont(os.path.join(HERE, output))["cmap"].getBestCmap()
        lacking = sorted(c for c in wanted_characters() if ord(c) not in cmap)
        if lacking:
            missing[output] = "".join(lacking)
    return missing


def main():
    try:
        import fontTools  # noqa: F401
    except ImportError:
        print("SKIPPED: python3-fonttools is missing (scripts/test.sh installs it)")
        return 77
    if sys.argv[1:] == ["--check"]:
        missing = missing_characters()
        for output, characters in missing.items():
            print(f"{output} lacks {characters!r}: run resources/fonts/make_fonts.py")
        return 1 if missing else 0
    characters = wanted_characters()
    for output, family, source in FACES:
        make(output, family, source, characters)
    with open(os.path.join(HERE, "OFL.txt"), "w", encoding="utf-8") as licence:
        licence.write(licence_text())
    print(f"{len(characters)} characters in each of {', '.join(f for f, _, _ in FACES)}")
    return 0


sys.exit(main())
