#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QList>

namespace ui {

// The images of an icon file whose bitmaps are palettized (1, 4 or 8 bits a pixel, with the
// transparency mask), in the file's order, as ARGB32. Other images are left out, as are any
// that do not fit in the file. Read here rather than by the toolkit's image reader, which
// looks through every image-format plugin on the system before it reads one.
QList<QImage> iconFileImages(QByteArrayView file);

} // namespace ui
