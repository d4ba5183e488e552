#include "text_label.h"

#include <QPainter>
#include <QTextLine>

#include <cmath>

namespace ui {

TextLabel::TextLabel(const QString& text)
    : text_(text) {
    setAutoFillBackground(true);
}

void TextLabel::setText(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    update();
}

void TextLabel::setTransparent(bool transparent) {
    setAutoFillBackground(!transparent);
    update();
}

void TextLabel::setWordWrap(bool wrap) {
    wordWrap_ = wrap;
    update();
}

void TextLabel::setLineFont(const QFont& font) {
    setFont(font);
    emPitch_ = true;
    update();
}

qreal TextLabel::layOut(QTextLayout& layout) const {
    const QFontMetricsF metrics(font(), this);
    const qreal pitch = emPitch_ ? std::round(font().pointSizeF() * logicalDpiY() / 72.0)
                                 : std::ceil(metrics.height());
    // Each line's baseline sits where it would in a line of `pitch`, in the face's proportions.
    const qreal baseline = pitch * metrics.ascent() / metrics.height();

    QTextOption option;
    option.setWrapMode(wordWrap_ ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    layout.setText(text_);
    layout.setFont(font());
    layout.setTextOption(option);
    layout.beginLayout();
    qreal top = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width());
        line.setPosition(QPointF(0, top + baseline - line.ascent()));
        top += pitch;
    }
    layout.endLayout();
    return top;
}

qreal TextLabel::textHeight() const {
    QTextLayout layout;
    return layOut(layout);
}

void TextLabel::paintEvent(QPaintEvent*) {
    QTextLayout layout;
    layOut(layout);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    layout.draw(&painter, QPointF(0, 0));
}

} // namespace ui
