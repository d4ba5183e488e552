#pragma once

#include <QStringList>

namespace ui {

// Registers the program's own fonts, which hold every character of its texts, so that it needs
// no Chinese face on the system. Call once, before the first text is laid out.
void addOwnFonts();

// The families of `wanted` that a font on this system, or one of the program's own, carries, in
// their order; all of `wanted` when none does. The toolkit takes a requested family that is
// missing as a cue to sort every installed face for substitutes, for each script of the text,
// and then goes on to the next family all the same.
QStringList installedFamilies(const QStringList& wanted);

// Of installed families, those for the program's own texts. When the first is one of the
// program's own fonts, that one alone: it holds every character of those texts, and asked for
// several families the toolkit sorts every installed face into a fallback list before it draws
// anything, a list such a text never needs.
QStringList familiesForOwnTexts(const QStringList& installed);

// The interface's families, the system's first and then Simplified Chinese faces, for text that
// can hold any character: file and folder names. Han characters that the program's own font
// lacks then take Simplified Chinese forms whatever the locale; under LANG=C fontconfig would
// pick Japanese ones.
QStringList interfaceFamilies();

} // namespace ui
