#include "window_frame.h"

#include "wayland_frames.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace ui {

namespace {

// The toolkit's own frame's measures, so that a window keeps its size and its buttons their
// places: a 30 px title bar, 3 px edges, 18 px buttons 5 px apart and 8 px from the right, a
// 22 px icon at the left.
constexpr QMargins kMargins(3, 30, 3, 3);
constexpr int kButton = 18;
constexpr int kSpacing = 5;
constexpr int kRightMargin = 8;
constexpr int kIcon = 22;
constexpr int kCaptionPixels = 14;
constexpr int kCornerRadius = 3;

enum class Button { None, Close, Minimise };

QFont captionFont() {
    QFont font = QApplication::font();
    font.setPixelSize(kCaptionPixels);
    return font;
}

// The frame lies beneath the window's content, over the whole window: what the content leaves
// uncovered (the title bar and the edges) is the frame's.
class Frame : public QWidget {
public:
    explicit Frame(QWidget* window)
        : QWidget(window),
          minimisable_(window->windowFlags() & Qt::WindowMinimizeButtonHint) {
        setMouseTracking(true);
        setGeometry(window->rect());
        lower();
        window->installEventFilter(this);
    }

    // The narrowest window showing the whole caption, which is centred on the window.
    int widthForCaption() const {
        return QFontMetrics(captionFont()).horizontalAdvance(window()->windowTitle()) +
               2 * std::max(captionLeft(), captionRight());
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize)
            setGeometry(window()->rect());
        else if (event->type() == QEvent::ActivationChange)
            update();
        return false;
    }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        // The window's background, its corners rounded.
        QPainterPath outline;
        outline.addRoundedRect(rect(), kCornerRadius, kCornerRadius);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(outline, palette().window());
        painter.setRenderHint(QPainter::Antialiasing, false);

        const QPalette::ColorGroup group = isActiveWindow() ? QPalette::Active : QPalette::Disabled;
        QPen pen(palette().color(group, QPalette::WindowText));
        painter.setPen(pen);

        painter.setFont(captionFont());
        if (hasIcon())
            window()->windowIcon().paint(
                &painter,
                QRect(kMargins.left() + kSpacing, (kMargins.top() - kIcon) / 2, kIcon, kIcon));
        const QRect bar(0, 0, width(), kMargins.top());
        painter.setClipRect(bar.adjusted(captionLeft(), 0, -captionRight(), 0));
        painter.drawText(bar, Qt::AlignCenter | Qt::TextSingleLine, window()->windowTitle());
        painter.setClipping(false);

        pen.setWidth(2);
        painter.setPen(pen);
        const QRectF close = buttonRect(0);
        const qreal cross = close.height() / 2.3;
        const QRectF crossRect(close.center() - QPointF(cross, cross) / 2, QSizeF(cross, cross));
        painter.setRenderHint(QPainter::Antialiasing);
        painter.drawLine(crossRect.topLeft(), crossRect.bottomRight());
        painter.drawLine(crossRect.bottomLeft(), crossRect.topRight());
        if (buttonCount() > 1) {
            painter.setRenderHint(QPainter::Antialiasing, false);
            const QRect line = buttonRect(1).adjusted(5, 5, -5, -5);
            painter.drawLine(line.bottomLeft(), line.bottomRight());
        }
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton)
            return;
        const QPoint at = event->position().toPoint();
        if (const Qt::Edges edges = edgesAt(at))
            window()->windowHandle()->startSystemResize(edges);
        else if ((pressed_ = buttonAt(at)) == Button::None && at.y() < kMargins.top())
            window()->windowHandle()->startSystemMove();
    }

    // A button acts when it is released over, as the system's buttons do.
    void mouseReleaseEvent(QMouseEvent* event) override {
        const Button pressed = std::exchange(pressed_, Button::None);
        if (event->button() != Qt::LeftButton || pressed != buttonAt(event->position().toPoint()))
            return;
        if (pressed == Button::Close)
            window()->close();
        else if (pressed == Button::Minimise)
            window()->showMinimized();
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        const Qt::Edges edges = edgesAt(event->position().toPoint());
        if (edges == (Qt::TopEdge | Qt::LeftEdge) || edges == (Qt::BottomEdge | Qt::RightEdge))
            setCursor(Qt::SizeFDiagCursor);
        else if (edges == (Qt::TopEdge | Qt::RightEdge) || edges == (Qt::BottomEdge | Qt::LeftEdge))
            setCursor(Qt::SizeBDiagCursor);
        else if (edges & (Qt::LeftEdge | Qt::RightEdge))
            setCursor(Qt::SizeHorCursor);
        else if (edges)
            setCursor(Qt::SizeVerCursor);
        else
            unsetCursor();
    }

private:
    // From the right: close, then minimise if the window has it.
    int buttonCount() const { return minimisable_ ? 2 : 1; }
    // Only an icon of the window's own, not the application's.
    bool hasIcon() const { return window()->testAttribute(Qt::WA_SetWindowIcon); }
    int captionLeft() const {
        return kMargins.left() + kSpacing + (hasIcon() ? kIcon + kSpacing : 0);
    }
    int captionRight() const { return kRightMargin + buttonCount() * (kButton + kSpacing); }

    QRect buttonRect(int fromRight) const {
        const int right = width() - kRightMargin - fromRight * (kButton + kSpacing);
        return QRect(right - kButton, (kMargins.top() - kButton) / 2, kButton, kButton);
    }

    Button buttonAt(QPoint at) const {
        if (buttonRect(0).contains(at))
            return Button::Close;
        if (buttonCount() > 1 && buttonRect(1).contains(at))
            return Button::Minimise;
        return Button::None;
    }

    Qt::Edges edgesAt(QPoint at) const {
        const QWidget* top = window();
        if (top->minimumSize() == top->maximumSize())
            return {};
        Qt::Edges edges;
        if (at.x() < kMargins.left())
            edges |= Qt::LeftEdge;
        if (at.x() >= width() - kMargins.right())
            edges |= Qt::RightEdge;
        if (at.y() < kMargins.bottom()) // the title bar's top edge is as thin as the others
            edges |= Qt::TopEdge;
        if (at.y() >= height() - kMargins.bottom())
            edges |= Qt::BottomEdge;
        return edges;
    }

    const bool minimisable_;
    Button pressed_ = Button::None;
};

} // namespace

bool drawsOwnFrames() {
    static const bool draws =
        QGuiApplication::platformName().startsWith(QLatin1String("wayland")) &&
        !qEnvironmentVariableIsSet("QT_WAYLAND_DISABLE_WINDOWDECORATION") &&
        !qEnvironmentVariableIsSet("QT_WAYLAND_DECORATION") && !compositorDrawsFrames();
    return draws;
}

QMargins ownFrameMargins() {
    return drawsOwnFrames() ? kMargins : QMargins();
}

void addOwnFrame(QWidget* window) {
    new Frame(window);
    // Without the hints for the buttons, which the toolkit would keep the frame for.
    window->setWindowFlags(window->windowType() | Qt::FramelessWindowHint);
    // The frame paints the background, for the rounded corners to show what lies beneath.
    window->setAttribute(Qt::WA_TranslucentBackground);
}

int widthForCaption(const QWidget* window) {
    const auto* frame = window->findChild<const Frame*>(QString(), Qt::FindDirectChildrenOnly);
    return frame ? frame->widthForCaption() : 0;
}

} // namespace ui
