// The window icon is read by the program itself; the toolkit's own reader is the reference.

#include "ui/qt/icon_file.h"

#include <QFile>
#include <QImageReader>

#include <gtest/gtest.h>

namespace {

QByteArray iconFile() {
    QFile file(QStringLiteral(MARLINTH_ICON_FILE));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(IconFile, EveryImageAsTheToolkitReadsIt) {
    const QByteArray bytes = iconFile();
    ASSERT_FALSE(bytes.isEmpty());
    QImageReader reader(QStringLiteral(MARLINTH_ICON_FILE), "ico");
    if (!reader.canRead())
        GTEST_SKIP() << "the toolkit's icon reader is not installed";

    const QList<QImage> images = ui::iconFileImages(bytes);
    ASSERT_EQ(images.size(), reader.imageCount());
    for (const QImage& image : images) {
        const QImage expected = reader.read();
        ASSERT_FALSE(expected.isNull());
        EXPECT_EQ(image.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                  expected.convertToFormat(QImage::Format_ARGB32_Premultiplied))
            << image.width() << " px";
        reader.jumpToNextImage();
    }
}

// A damaged file gives fewer images, never a read past its end.
TEST(IconFile, ACutFileGivesOnlyTheImagesItHolds) {
    const QByteArray bytes = iconFile();
    ASSERT_FALSE(bytes.isEmpty());
    const qsizetype whole = ui::iconFileImages(bytes).size();
    for (qsizetype size = 0; size < bytes.size(); size += 7) {
        const QByteArray cut(bytes.constData(), size); // a copy: nothing past it is readable
        EXPECT_LT(ui::iconFileImages(cut).size(), whole) << size << " bytes";
    }
}

} // namespace
