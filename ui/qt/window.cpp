#include "../window.h"
#include "native.h"

#include <QCloseEvent>
#include <QDialog>
#include <QIcon>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>

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

class MainWindow : public QMainWindow, public TopLevel {
public:
    explicit MainWindow(QSize client)
        : TopLevel(client) {
        setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                       Qt::WindowCloseButtonHint);
        // Controls keep their places when the window is resized; nothing lays them out.
        auto* client_area = new QWidget(this);
        client_area->setMinimumSize(client);
        setCentralWidget(client_area);
        menuBar()->setNativeMenuBar(false);
    }

protected:
    void closeEvent(QCloseEvent* event) override {
        runCloseHandler();
        QMainWindow::closeEvent(event);
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (!pressFocusedButton(this, event))
            QMainWindow::keyPressEvent(event);
    }
};

class DialogWindow : public QDialog, public TopLevel {
public:
    explicit DialogWindow(QSize client)
        : TopLevel(client) {
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
        setFixedSize(client);
    }

protected:
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
        return std::make_unique<Native>(window, window->centralWidget());
    }
    auto* dialog = new DialogWindow(pixels);
    dialog->setWindowTitle(toQt(caption));
    return std::make_unique<Native>(dialog);
}

TopLevel& topLevel(const Window& window) {
    return *dynamic_cast<TopLevel*>(window.native().widget());
}

} // namespace

Window::Window(WindowStyle style, const std::string& caption, Size clientTwips)
    : Container(makeWindow(style, caption, clientTwips)) {}

void Window::useApplicationIcon() {
    native().widget()->setWindowIcon(QIcon(QStringLiteral(":/icons/marlinth.ico")));
}

void Window::onCloseRequest(std::function<void()> handler) {
    topLevel(*this).closeHandler = std::move(handler);
}

void Window::setTabOrder(const std::vector<Control*>& controls) {
    for (std::size_t i = 1; i < controls.size(); ++i)
        QWidget::setTabOrder(controls[i - 1]->native().widget(), controls[i]->native().widget());
}

void Window::show() {
    // The menu bar comes on top of the client area, so the window grows by its height.
    if (auto* window = qobject_cast<QMainWindow*>(native().widget())) {
        const QSize client = topLevel(*this).clientSize();
        const QWidget* menu = window->menuWidget();
        window->resize(client.width(), client.height() + (menu ? menu->sizeHint().height() : 0));
    }
    native().widget()->show();
}

void Window::showModal() {
    auto* dialog = qobject_cast<QDialog*>(native().widget());
    Q_ASSERT(dialog);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->exec();
}

void Window::close() {
    native().widget()->close();
}

} // namespace ui
