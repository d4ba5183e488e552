#include "icon_file.h"

namespace ui {

namespace {

// Little-endian fields, read only inside the file.
class Bytes {
public:
    explicit Bytes(QByteArrayView bytes)
        : bytes_(bytes) {}

    bool has(qsizetype offset, qsizetype count) const {
        return offset >= 0 && count >= 0 && offset <= bytes_.size() - count;
    }
    quint32 u8(qsizetype at) const { return quint8(bytes_[at]); }
    quint32 u16(qsizetype at) const { return u8(at) | u8(at + 1) << 8; }
    quint32 u32(qsizetype at) const { return u16(at) | u16(at + 2) << 16; }

private:
    QByteArrayView bytes_;
};

// A device-independent bitmap as an icon file stores it: a BITMAPINFOHEADER, the palette, the
// colour rows and then the mask rows, each bottom-up and padded to four bytes.
QImage palettizedBitmap(const Bytes& file, qsizetype at, qsizetype size) {
    if (!file.has(at, 40) || size < 40)
        return {};
    const qsizetype header = file.u32(at);
    const int width = int(file.u32(at + 4));
    const int height = int(file.u32(at + 8)) / 2; // the mask's rows are counted too
    const int bits = int(file.u16(at + 14));
    const quint32 colours = file.u32(at + 32) ? file.u32(at + 32) : 1u << bits;
    if (header < 40 || file.u16(at + 12) != 1 || file.u32(at + 16) != 0 ||
        (bits != 1 && bits != 4 && bits != 8) || width <= 0 || width > 256 || height <= 0 ||
        height > 256 || colours > 1u << bits)
        return {};
    const qsizetype palette = at + header;
    const qsizetype colourRow = (qsizetype(width) * bits + 31) / 32 * 4;
    const qsizetype maskRow = (qsizetype(width) + 31) / 32 * 4;
    const qsizetype pixels = palette + 4 * qsizetype(colours);
    const qsizetype mask = pixels + colourRow * height;
    if (mask + maskRow * height > at + size || !file.has(mask, maskRow * height))
        return {};

    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        const qsizetype row = pixels + colourRow * (height - 1 - y);
        const qsizetype maskBits = mask + maskRow * (height - 1 - y);
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const qsizetype bit = qsizetype(x) * bits;
            const quint32 index =
                (file.u8(row + bit / 8) >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
            const bool transparent = (file.u8(maskBits + x / 8) >> (7 - x % 8)) & 1;
            const qsizetype entry = palette + 4 * qsizetype(index);
            line[x] =
                transparent || index >= colours
                    ? 0
                    : qRgb(int(file.u8(entry + 2)), int(file.u8(entry + 1)), int(file.u8(entry)));
        }
    }
    return image;
}

} // namespace

QList<QImage> iconFileImages(QByteArrayView file) {
    const Bytes bytes(file);
    QList<QImage> images;
    if (!bytes.has(0, 6) || bytes.u16(0) != 0 || bytes.u16(2) != 1)
        return images;
    const int count = int(bytes.u16(4));
    for (int i = 0; i < count && bytes.has(6 + 16 * i, 16); ++i) {
        const qsizetype entry = 6 + 16 * qsizetype(i);
        const QImage image = palettizedBitmap(bytes, qsizetype(bytes.u32(entry + 12)),
                                              qsizetype(bytes.u32(entry + 8)));
        if (!image.isNull())
            images << image;
    }
    return images;
}

} // namespace ui
