#include "../window.h"
#include "native.h"
#include "window_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QIcon>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QResource>
#include <QWindow>

#include <algorithm>
#include <cstring>

namespace ui {

namespace {

// What both kinds of top-level window share.
class TopLevel {
public:
    explicit TopLevel(QSize client)
        : client_(client) {}
    virtual ~TopLevel() = default;

    std::function<void()> closeHandler;
    QSize clientSize() const { return client_; }

protected:
    void runCloseHandler() {
        if (closeHandler)
            closeHandler();
    }

    // No button is a default button: Enter presses the focused button and nothing else.
    static bool pressFocusedButton(QWidget* window, QKeyEvent* event) {
        if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
            return false;
        if (auto* button = qobject_cast<QPushButton*>(window->focusWidget()))
            button->click();
        return true;
    }

private:
    QSize client_;
};

// The classic style gives a menu bar the button face and a dark line along its foot, the line
// in the space it leaves below itself, only when the bar belongs to a QMainWindow; the main
// window is not one, so its bar draws them as the style would.
class MenuBar : public QMenuBar {
public:
    using QMenuBar::QMenuBar;

protected:
    void paintEvent(QPaintEvent* event) override {
        QRegion emptyArea(rect());
        for (QAction* action : actions())
            emptyArea -= actionGeometry(action);
        {
            QPainter painter(this);
            painter.setClipRegion(emptyArea);
            painter.fillRect(rect(), palette().button());
            painter.setPen(palette().dark().color());
            painter.drawLine(rect().bottomLeft(), rect().bottomRight());
        }
        QMenuBar::paintEvent(event);
    }
};

// A plain window holding a menu bar and, under it, the client area: the main window needs no
// docks or tool bars, and their layout code costs start-up time and memory.
class MainWindow : public QWidget, public TopLevel {
public:
    explicit MainWindow(QSize client)
        : TopLevel(client),
          menuBar(new MenuBar(this)),
          clientArea(new QWidget(this)) {
        setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                       Qt::WindowCloseButtonHint);
        menuBar->setNativeMenuBar(false);
        // Controls keep their places when the window is resized; nothing lays them out.
        clientArea->resize(client);
        if (drawsOwnFrames())
            addOwnFrame(this);
    }

    // The menu bar's height is known once its menus are in; the window grows by it, and by the
    // frame the program draws, if it draws one.
    void fitToClientArea() {
        resize(QSize(clientSize().width(), clientSize().height() + menuHeight())
                   .grownBy(ownFrameMargins()));
    }

    QMenuBar* const menuBar;
    QWidget* const clientArea;

protected:
    void resizeEvent(QResizeEvent* event) override {
        const QRect content = rect().marginsRemoved(ownFrameMargins());
        const int menu = menuHeight();
        // Never narrower than its menu: narrower, the bar would fold the one menu into an
        // overflow button that the style draws without a picture. The window cuts it off instead.
        menuBar->setGeometry(content.x(), content.y(),
                             std::max(content.width(), menuBar->sizeHint().width()), menu);
        clientArea->setGeometry(content.adjusted(0, menu, 0, 0));
        QWidget::resizeEvent(event);
    }
    void closeEvent(QCloseEvent* event) override {
        runCloseHandler();
        QWidget::closeEvent(event);
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (!pressFocusedButton(this, event))
            QWidget::keyPressEvent(event);
    }

private:
    // A bar without menus takes no room. Its height holds the style's line under it; it is the
    // height at the opening width whatever the window's, as the bar never wraps its one menu.
    int menuHeight() const {
        return menuBar->actions().isEmpty() ? 0 : menuBar->heightForWidth(clientSize().width());
    }
};

class DialogWindow : public QDialog, public TopLevel {
public:
    explicit DialogWindow(QSize client)
        : TopLevel(client) {
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
        const QMargins frame = ownFrameMargins();
        setFixedSize(client.grownBy(frame));
        if (drawsOwnFrames()) {
            clientArea = new QWidget(this);
            clientArea->setGeometry(QRect(QPoint(frame.left(), frame.top()), client));
            addOwnFrame(this);
        }
    }

    // Where its controls go: inside the frame the program draws, if it draws one.
    QWidget* clientArea = this;

protected:
    // Placed by the window manager or compositor, as any new window: QDialog would centre it
    // itself and ask for that place.
    void showEvent(QShowEvent* event) override { QWidget::showEvent(event); }
    // The close box goes through reject(), which is what makes it act like Cancel.
    void closeEvent(QCloseEvent* event) override {
        runCloseHandler();
        QDialog::closeEvent(event);
    }
    // QDialog would close on Esc and press a default button on Enter; this dialog has neither.
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape || pressFocusedButton(this, event))
            return;
        QDialog::keyPressEvent(event);
    }
};

std::unique_ptr<Native> makeWindow(WindowStyle style, const std::string& caption, Size client) {
    const QSize pixels = toPixels(client);
    if (style == WindowStyle::Main) {
        auto* window = new MainWindow(pixels);
        window->setWindowTitle(toQt(caption));
        return std::make_unique<Native>(window, window->clientArea);
    }
    auto* dialog = new DialogWindow(pixels);
    dialog->setWindowTitle(toQt(caption));
    return std::make_unique<Native>(dialog, dialog->clientArea);
}

TopLevel& topLevel(const Window& window) {
    return *dynamic_cast<TopLevel*>(window.native().widget());
}

// While the window manager maps the window, the program would only wait: it draws the window
// once off screen meanwhile, so that the faces and glyph images its first drawing needs are
// ready when the window is exposed.
void drawOffScreen(QWidget* window) {
    const qreal scale = window->devicePixelRatioF();
    QImage image(window->size() * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    window->render(&image);
}

} // namespace

QMenuBar* menuBarOf(const Window& window) {
    return dynamic_cast<MainWindow&>(*window.native().widget()).menuBar;
}

const QWidget* clientAreaOf(const QWidget* window) {
    if (auto* main = dynamic_cast<const MainWindow*>(window))
        return main->clientArea;
    if (auto* dialog = dynamic_cast<const DialogWindow*>(window))
        return dialog->clientArea;
    return window;
}

Window::Window(WindowStyle style, const std::string& caption, Size clientTwips)
    : Container(makeWindow(style, caption, clientTwips)) {}

// The icon file's images, unpacked when the icon was made (resources/make_icon.py): for each,
// its width and height in 16 bits and its ARGB32 pixels. The toolkit's own reader would look
// through every image-format plugin on the system before it read the icon file.
void Window::useApplicationIcon() {
    const QResource resource(QStringLiteral(":/icons/marlinth-icon.argb"));
    const QByteArrayView data = resource.uncompressedData();
    QIcon icon;
    for (qsizetype at = 0; at + 4 <= data.size();) {
        const auto field = [&data](qsizetype i) { return int(quint8(data[i])); };
        const int width = field(at) | field(at + 1) << 8;
        const int height = field(at + 2) | field(at + 3) << 8;
        const qsizetype bytes = qsizetype(width) * height * 4;
        if (at + 4 + bytes > data.size())
            break;
        QImage image(width, height, QImage::Format_ARGB32); // rows of 4-byte pixels, no padding
        std::memcpy(image.bits(), data.data() + at + 4, std::size_t(bytes));
        icon.addPixmap(QPixmap::fromImage(image));
        at += 4 + bytes;
    }
    native().widget()->setWindowIcon(icon);
}

void Window::onCloseRequest(std::function<void()> handler) {
    topLevel(*this).closeHandler = std::move(handler);
}

void Window::setTabOrder(const std::vector<Control*>& controls) {
    for (std::size_t i = 1; i < controls.size(); ++i)
        QWidget::setTabOrder(controls[i - 1]->native().widget(), controls[i]->native().widget());
}

void Window::show() {
    QWidget* widget = native().widget();
    if (auto* window = dynamic_cast<MainWindow*>(widget))
        window->fitToClientArea();
    widget->show();
    drawOffScreen(widget);
}

void Window::showModal() {
    auto* dialog = qobject_cast<QDialog*>(native().widget());
    Q_ASSERT(dialog);
    // The window it was opened from owns it, for the window manager or compositor to keep it
    // above that window: X's WM_TRANSIENT_FOR, Wayland's set_parent. Parentless, Qt would tie
    // it to a hidden window of its own that no desktop keeps it above.
    if (QWidget* owner = QApplication::activeWindow(); owner && owner != dialog) {
        dialog->winId();
        dialog->windowHandle()->setTransientParent(owner->windowHandle());
    }
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->exec();
}

void Window::close() {
    native().widget()->close();
}

bool Window::isOpen() const {
    return native().widget()->isVisible();
}

} // namespace ui
