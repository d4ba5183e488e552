#include "../controls.h"
#include "../window.h"
#include "font_families.h"
#include "native.h"
#include "text_label.h"

#include <QAccessibleWidget>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>

namespace ui {

namespace {

template <typename T> T* placed(T* widget, Container& parent, Rect rect) {
    widget->setParent(parent.native().container());
    widget->setGeometry(toPixels(rect));
    widget->show();
    return widget;
}

TextLabel& textLabel(const Label& label) {
    return *static_cast<TextLabel*>(label.native().widget());
}

// Keys move the bar as a Windows scroll bar does; Qt 6.4 swaps Left and Right on a
// horizontal bar.
class WindowsScrollBar : public QScrollBar {
public:
    WindowsScrollBar()
        : QScrollBar(Qt::Horizontal) {
        setFocusPolicy(Qt::StrongFocus);
        setRange(0, 32767);
        setSingleStep(1);
        setPageStep(1);
    }

    // A native scroll bar redraws as soon as its position is set, not at the next repaint.
    void showValue(int value) {
        setValue(value);
        if (thumb() != paintedThumb_)
            repaint();
    }

protected:
    // Most steps of a run move the thumb by less than a pixel; repainting for those would be
    // most of the work a run does.
    void sliderChange(SliderChange change) override {
        if (change != SliderValueChange || thumb() != paintedThumb_)
            QScrollBar::sliderChange(change);
    }

    void paintEvent(QPaintEvent* event) override {
        paintedThumb_ = thumb();
        QScrollBar::paintEvent(event);
    }

    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Up:
            triggerAction(SliderSingleStepSub);
            break;
        case Qt::Key_Right:
        case Qt::Key_Down:
            triggerAction(SliderSingleStepAdd);
            break;
        case Qt::Key_PageUp:
            triggerAction(SliderPageStepSub);
            break;
        case Qt::Key_PageDown:
            triggerAction(SliderPageStepAdd);
            break;
        case Qt::Key_Home:
            triggerAction(SliderToMinimum);
            break;
        case Qt::Key_End:
            triggerAction(SliderToMaximum);
            break;
        default:
            QScrollBar::keyPressEvent(event);
        }
    }

private:
    QRect thumb() const {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider,
                                       this);
    }

    QRect paintedThumb_;
};

QAccessibleInterface* lineAccessible(const QString& key, QObject* object);

// Like the desktop's own line drawing, a line ends one pixel short of its end point.
class LineWidget : public QWidget {
public:
    LineWidget(QWidget* parent, QPoint from, QPoint to, QPalette::ColorRole role)
        : QWidget(parent),
          role_(role) {
        static const bool installed = (QAccessible::installFactory(lineAccessible), true);
        (void)installed;
        setAttribute(Qt::WA_TransparentForMouseEvents);
        const QPoint last = to - QPoint(sign(to.x() - from.x()), sign(to.y() - from.y()));
        setGeometry(QRect(from, last).normalized());
        show();
    }

protected:
    // The widget is the line's pixels. Filled, it covers whatever device pixels a scaled screen
    // gives it; a one-pixel pen would fall on a device row outside it at 125 % or 150 %.
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), palette().color(role_));
    }

private:
    static int sign(int value) { return (value > 0) - (value < 0); }

    QPalette::ColorRole role_;
};

// A line is decoration: present to assistive technology, as every widget is, but invisible.
class LineAccessible : public QAccessibleWidget {
public:
    explicit LineAccessible(QWidget* line)
        : QAccessibleWidget(line, QAccessible::Separator) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.invisible = true;
        return state;
    }
};

QAccessibleInterface* lineAccessible(const QString&, QObject* object) {
    auto* line = dynamic_cast<LineWidget*>(object);
    return line ? new LineAccessible(line) : nullptr;
}

QPalette::ColorRole paletteRole(SystemColor color) {
    // Qt has no caption-text role; the highlighted text is the desktop's light text colour.
    return color == SystemColor::CaptionText ? QPalette::HighlightedText : QPalette::WindowText;
}

} // namespace

Label::Label(Container& parent, Rect rect, const std::string& text)
    : Control(std::make_unique<Native>(placed(new TextLabel(toQt(text)), parent, rect))) {}

std::string Label::text() const {
    return fromQt(textLabel(*this).text());
}

void Label::setText(const std::string& text) {
    textLabel(*this).setText(toQt(text));
}

void Label::setForeground(Rgb color) {
    TextLabel& label = textLabel(*this);
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, QColor(color.red, color.green, color.blue));
    label.setPalette(palette);
}

void Label::setTransparent(bool transparent) {
    textLabel(*this).setTransparent(transparent);
}

void Label::setFont(const Font& font) {
    QFont qfont;
    QStringList families;
    for (const std::string& family : font.families)
        families << toQt(family);
    // A label shows the program's own text.
    qfont.setFamilies(familiesForOwnTexts(installedFamilies(families)));
    qfont.setPointSizeF(font.pointSize);
    textLabel(*this).setLineFont(qfont);
}

void Label::setWordWrap(bool wrap) {
    textLabel(*this).setWordWrap(wrap);
}

void Label::hideFromScreenReaders() {
    textLabel(*this).hiddenFromScreenReaders = true;
}

void Label::markAsStatusLine() {
    textLabel(*this).statusLine = true;
}

Button::Button(Container& parent, Rect rect, const std::string& caption)
    : Control(std::make_unique<Native>(placed(new QPushButton(toQt(caption)), parent, rect))) {
    // The window presses a focused button on Enter; no button is ever the default.
    static_cast<QPushButton*>(native().widget())->setAutoDefault(false);
}

std::string Button::caption() const {
    return fromQt(static_cast<QPushButton*>(native().widget())->text());
}

void Button::onClick(std::function<void()> handler) {
    auto* button = static_cast<QPushButton*>(native().widget());
    QObject::connect(button, &QPushButton::clicked, button, [handler] { handler(); });
}

GroupBox::GroupBox(Container& parent, Rect rect, const std::string& caption)
    : Container(std::make_unique<Native>(placed(new QGroupBox(toQt(caption)), parent, rect))) {}

Line::Line(Container& parent, Point from, Point to, SystemColor color)
    : Control(std::make_unique<Native>(new LineWidget(parent.native().container(), toPixels(from),
                                                      toPixels(to), paletteRole(color)))) {}

ScrollBar::ScrollBar(Container& parent, Rect rect)
    : Control(std::make_unique<Native>(placed(new WindowsScrollBar, parent, rect))) {}

int ScrollBar::value() const {
    return static_cast<QScrollBar*>(native().widget())->value();
}

void ScrollBar::setValue(int value) {
    static_cast<WindowsScrollBar*>(native().widget())->showValue(value);
}

int ScrollBar::maximum() const {
    return static_cast<QScrollBar*>(native().widget())->maximum();
}

void ScrollBar::setMaximum(int maximum) {
    static_cast<QScrollBar*>(native().widget())->setMaximum(maximum);
}

Menu::Menu(Window& window, const std::string& caption)
    : Element(std::make_unique<Native>(
          menuBarOf(window)->addMenu(toQt(caption)))) {
}

MenuItem::MenuItem(Menu& menu, const std::string& caption)
    : Element(std::make_unique<Native>(
          static_cast<QMenu*>(menu.native().object())->addAction(toQt(caption)))) {}

} // namespace ui
