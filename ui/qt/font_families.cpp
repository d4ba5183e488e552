#include "font_families.h"

#ifndef _WIN32
#include <fontconfig/fontconfig.h>
#endif

namespace ui {

namespace {

// Whether a font answers to the family name, in any of its languages: the toolkit's own list of
// families comes from the same place.
bool installed(const QString& family) {
#ifdef _WIN32
    (void)family;
    return true;
#else
    const QByteArray name = family.toUtf8();
    FcPattern* pattern = FcPatternBuild(nullptr, FC_FAMILY, FcTypeString, name.constData(),
                                        static_cast<char*>(nullptr));
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, static_cast<char*>(nullptr));
    FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
    const bool found = fonts && fonts->nfont > 0;
    if (fonts)
        FcFontSetDestroy(fonts);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return found;
#endif
}

} // namespace

QStringList installedFamilies(const QStringList& wanted) {
    QStringList families;
    for (const QString& family : wanted)
        if (installed(family))
            families << family;
    return families.isEmpty() ? wanted : families;
}

} // namespace ui
