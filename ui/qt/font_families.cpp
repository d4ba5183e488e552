#include "font_families.h"

#include <QFontDatabase>
#include <QResource>
#include <QSet>

#ifndef _WIN32
#include <fontconfig/fontconfig.h>
#endif

namespace ui {

namespace {

QStringList& ownFamilies() {
    static QStringList families;
    return families;
}

// The program's fonts are used where the program holds them, uncompressed, rather than copied.
void addOwnFont(const QString& path) {
    const QResource font(path);
    const int id = QFontDatabase::addApplicationFontFromData(QByteArray::fromRawData(
        reinterpret_cast<const char*>(font.data()), qsizetype(font.size())));
    ownFamilies() += QFontDatabase::applicationFontFamilies(id);
}

#ifndef _WIN32
// Fontconfig compares family names without regard to case or blanks.
QString comparable(const QString& family) {
    return family.toCaseFolded().remove(QLatin1Char(' '));
}

// Every name, in any of its languages, that a font answers to: the toolkit's own list of
// families comes from the same place. Taken once, when the first font is chosen, after the
// program's own fonts are added.
QSet<QString> familiesOfAllFonts() {
    QSet<QString> families;
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, static_cast<char*>(nullptr));
    if (FcFontSet* fonts = FcFontList(nullptr, pattern, objects)) {
        for (int i = 0; i < fonts->nfont; ++i) {
            FcChar8* name = nullptr;
            for (int n = 0;
                 FcPatternGetString(fonts->fonts[i], FC_FAMILY, n, &name) == FcResultMatch; ++n)
                families.insert(comparable(QString::fromUtf8(reinterpret_cast<char*>(name))));
        }
        FcFontSetDestroy(fonts);
    }
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return families;
}
#endif

} // namespace

void addOwnFonts() {
    addOwnFont(QStringLiteral(":/fonts/marlinth-sans.otf"));
    addOwnFont(QStringLiteral(":/fonts/marlinth-serif.otf"));
}

QStringList installedFamilies(const QStringList& wanted) {
#ifdef _WIN32
    return wanted;
#else
    static const QSet<QString> installed = familiesOfAllFonts();
    QStringList families;
    for (const QString& family : wanted)
        if (installed.contains(comparable(family)))
            families << family;
    return families.isEmpty() ? wanted : families;
#endif
}

QStringList familiesForOwnTexts(const QStringList& installed) {
    if (!installed.isEmpty() && ownFamilies().contains(installed.first()))
        return {installed.first()};
    return installed;
}

QStringList interfaceFamilies() {
    return installedFamilies({QFontDatabase::systemFont(QFontDatabase::GeneralFont).family(),
                              QStringLiteral("Marlinth Sans"), QStringLiteral("Noto Sans CJK SC"),
                              QStringLiteral("WenQuanYi Zen Hei"),
                              QStringLiteral("AR PL UMing CN")});
}

} // namespace ui
