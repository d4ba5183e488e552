#pragma once

#include <QTextLayout>
#include <QWidget>

namespace ui {

// A label that draws its text the way the desktop the program was designed for does: lines
// of a chosen font are spaced at the font's em height. Linux's Chinese faces ask for 22-27 px
// per line where SimSun takes 19, which would push a four-line header out of its label.
class TextLabel : public QWidget {
public:
    explicit TextLabel(const QString& text);

    QString text() const { return text_; }
    void setText(const QString& text);
    void setTransparent(bool transparent);
    void setWordWrap(bool wrap);
    // Draws in this font with lines at its em height, instead of the window's font.
    void setLineFont(const QFont& font);

    // The height the text takes when laid out in the label's width.
    qreal textHeight() const;

    // What screen readers are told of it.
    bool hiddenFromScreenReaders = false;
    bool statusLine = false;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal layOut(QTextLayout& layout) const;

    QString text_;
    bool wordWrap_ = false;
    bool emPitch_ = false;
};

} // namespace ui
