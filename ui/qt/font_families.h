#pragma once

#include <QStringList>

namespace ui {

// The families of `wanted` that a font on this system, or one of the program's own, carries, in
// their order; all of `wanted` when none does. The toolkit takes a requested family that is
// missing as a cue to sort every installed face for substitutes, for each script of the text,
// and then goes on to the next family all the same.
QStringList installedFamilies(const QStringList& wanted);

} // namespace ui
