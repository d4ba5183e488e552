#include "text_label.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QTextLine>

#include <cmath>
#include <utility>

namespace ui {

namespace {

// A painted label is a plain widget to assistive technology; this tells its text, as the name
// and through the text interface, as a static text or a status line.
class TextLabelAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit TextLabelAccessible(TextLabel* label)
        : QAccessibleWidget(label) {}

    QAccessible::Role role() const override {
        return label().statusLine ? QAccessible::StatusBar : QAccessible::StaticText;
    }
    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Name ? label().text() : QAccessibleWidget::text(kind);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.invisible = state.invisible || label().hiddenFromScreenReaders;
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // Read-only text, with neither selection nor cursor.
    QString text(int start, int end) const override {
        return label().text().mid(start, end - start);
    }
    int characterCount() const override { return int(label().text().size()); }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return {};
    }

private:
    const TextLabel& label() const { return *static_cast<const TextLabel*>(object()); }
};

QAccessibleInterface* labelAccessible(const QString&, QObject* object) {
    auto* label = dynamic_cast<TextLabel*>(object);
    return label ? new TextLabelAccessible(label) : nullptr;
}

} // namespace

TextLabel::TextLabel(const QString& text)
    : text_(text) {
    static const bool installed = (QAccessible::installFactory(labelAccessible), true);
    (void)installed;
    setAutoFillBackground(true);
}

// A screen reader hears of the change as a new text and a new name.
void TextLabel::setText(const QString& text) {
    if (text == text_)
        return;
    const QString old = std::exchange(text_, text);
    update();
    if (hiddenFromScreenReaders)
        return;
    QAccessibleEvent nameChange(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&nameChange);
    QAccessibleTextUpdateEvent textChange(this, 0, old, text_);
    QAccessible::updateAccessibility(&textChange);
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
