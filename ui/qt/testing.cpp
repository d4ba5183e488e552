#include "../testing.h"
#include "../worker_call.h"
#include "folder_lists_private.h"
#include "native.h"
#include "text_label.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <sys/resource.h>

namespace ui::testing {

namespace {

QWidget* widgetOf(const Element& element) {
    return element.native().widget();
}

// Input enters through the top-level window, where Qt applies modality.
void clickAt(QWidget* widget, QPoint local) {
    QWidget* window = widget->window();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, widget->mapTo(window, local));
}

Qt::Key qtKey(Key key) {
    switch (key) {
    case Key::Enter:
        return Qt::Key_Return;
    case Key::Escape:
        return Qt::Key_Escape;
    case Key::Space:
        return Qt::Key_Space;
    case Key::Tab:
        return Qt::Key_Tab;
    case Key::Left:
        return Qt::Key_Left;
    case Key::Right:
        return Qt::Key_Right;
    case Key::Up:
        return Qt::Key_Up;
    case Key::Down:
        return Qt::Key_Down;
    case Key::Home:
        return Qt::Key_Home;
    case Key::End:
        return Qt::Key_End;
    case Key::PageUp:
        return Qt::Key_PageUp;
    case Key::PageDown:
        return Qt::Key_PageDown;
    case Key::F4:
        return Qt::Key_F4;
    }
    return Qt::Key_unknown;
}

void keyClick(QWidget* window, Key key, bool alt = false) {
    QTest::keyClick(window->windowHandle(), qtKey(key), alt ? Qt::AltModifier : Qt::NoModifier);
}

void sendClose(QWidget* window) {
    // A window behind a modal one has no working close box.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != window)
        return;
    QCloseEvent event;
    QApplication::sendEvent(window->windowHandle(), &event);
}

// Hands each modal window, once shown, to the test's handler inside the window's own loop: with
// its directory list filled, as the tests expect, yet not inside the list's wait.
class ModalWatcher : public QObject {
public:
    std::function<void(ModalWindow&)> handler;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(object);
        if (event->type() == QEvent::Show && handler && widget && widget->isWindow() &&
            widget->isModal()) {
            QPointer<QWidget> shown(widget);
            afterFirstRead(widget, [this, shown] {
                QTimer::singleShot(0, this, [this, shown] { handOver(shown); });
            });
        }
        return false;
    }

private:
    void handOver(const QPointer<QWidget>& shown) {
        if (!shown || !handler)
            return;
        Native native(shown);
        ModalWindow modal(native);
        auto run = handler; // the handler may replace itself
        run(modal);
        native.release();
    }
};

ModalWatcher& watcher() {
    static auto* instance = [] {
        auto* created = new ModalWatcher;
        qApp->installEventFilter(created);
        return created;
    }();
    return *instance;
}

QListView& listView(const DirList& list) {
    return *static_cast<QListView*>(widgetOf(list));
}

QComboBox& comboBox(const DriveList& list) {
    return *static_cast<QComboBox*>(widgetOf(list));
}

// Scrolls the row into view and returns the centre of its visible part: a long name runs on
// past the list's edge.
QPoint rowCentre(QListView& view, int row) {
    const QModelIndex index = view.model()->index(row, 0);
    view.scrollTo(index);
    return view.visualRect(index).intersected(view.viewport()->rect()).center();
}

} // namespace

void click(Control& control) {
    QWidget* widget = widgetOf(control);
    clickAt(widget, widget->rect().center());
}

void pressKey(Window& window, Key key) {
    keyClick(widgetOf(window), key);
}

void pressAccessKey(Window& window, char letter) {
    QTest::keyClick(widgetOf(window)->windowHandle(), letter, Qt::AltModifier);
}

void clickCloseBox(Window& window) {
    sendClose(widgetOf(window));
}

void post(std::function<void()> action) {
    QMetaObject::invokeMethod(qApp, std::move(action), Qt::QueuedConnection);
}

Control* focusedControl(Window& window) {
    QWidget* focus = widgetOf(window)->focusWidget();
    return focus ? dynamic_cast<Control*>(elementOf(focus)) : nullptr;
}

bool isShown(const Window& window) {
    return widgetOf(window)->isVisible();
}

bool isActive(const Window& window) {
    return widgetOf(window)->isActiveWindow();
}

// Toolkit windows here are all the program's own: there is no other program to make.
struct OtherProgramWindow::State {};
OtherProgramWindow::OtherProgramWindow() = default;
OtherProgramWindow::~OtherProgramWindow() = default;

bool isMenuOpen(const Menu& menu) {
    return static_cast<QMenu*>(menu.native().object())->isVisible();
}

bool clickMenuTitle(Menu& menu) {
    QAction* title = static_cast<QMenu*>(menu.native().object())->menuAction();
    for (QObject* object : title->associatedObjects())
        if (auto* bar = qobject_cast<QMenuBar*>(object)) {
            // The part of the title inside the bar and inside the window, which cuts the bar off.
            const QWidget* window = bar->window();
            const QRect shown = bar->actionGeometry(title) & bar->rect() &
                                QRect(bar->mapFrom(window, QPoint()), window->size());
            if (shown.isEmpty())
                return false;
            clickAt(bar, shown.center());
            return true;
        }
    return false;
}

bool isHighlighted(const MenuItem& item) {
    auto* action = static_cast<QAction*>(item.native().object());
    for (QObject* parent = action->parent(); parent; parent = parent->parent())
        if (auto* menu = qobject_cast<QMenu*>(parent))
            return menu->isVisible() && menu->activeAction() == action;
    return false;
}

void resize(Window& window, Size clientSize) {
    QWidget* top = widgetOf(window);
    const QWidget* client = window.native().container();
    top->resize(top->size() + QSize(clientSize.width, clientSize.height) - client->size());
    QCoreApplication::processEvents();
}

bool moveToScreenOfDpi(Window&, int) {
    return false; // Qt lays out in logical pixels and scales them for each screen
}

bool useSystemDpiOnly(int) {
    return false;
}

int dpiOf(const Window& window) {
    return qRound(96 * widgetOf(window)->devicePixelRatioF());
}

Rect pixelRect(const Control& control) {
    const QWidget* widget = widgetOf(control);
    const QWidget* window = widget->window();
    const QWidget* client = clientAreaOf(window);
    const QPoint topLeft = widget->mapTo(window, QPoint(0, 0)) - client->mapTo(window, QPoint());
    return {topLeft.x(), topLeft.y(), widget->width(), widget->height()};
}

Size clientSize(const Window& window) {
    const QWidget* client = window.native().container();
    return {client->width(), client->height()};
}

std::string fontFamily(const Label& label) {
    return fromQt(QFontInfo(widgetOf(label)->font()).family());
}

int textHeight(const Label& label) {
    return int(std::ceil(static_cast<TextLabel*>(widgetOf(label))->textHeight()));
}

Image grab(Window& window) {
    QWidget* client = window.native().container();
    const QImage image = client->grab().toImage().convertToFormat(QImage::Format_RGB32);
    Image result{image.width(), image.height(), {}};
    result.pixels.reserve(std::size_t(image.width()) * image.height());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            result.pixels.push_back({std::uint8_t(qRed(pixel)), std::uint8_t(qGreen(pixel)),
                                     std::uint8_t(qBlue(pixel))});
        }
    return result;
}

std::optional<bool> redrawnOnSettingChange(Window&, bool) {
    return std::nullopt;
}

// Qt takes high contrast from the platform's theme, which offscreen has none of.
bool setHighContrast(bool) {
    return false;
}

// The desktop's scheme reaches the program as the application palette.
bool setSystemTextColor(std::optional<Rgb> color) {
    static const QPalette original = QApplication::palette();
    QPalette palette = original;
    if (color) {
        const QColor text(color->red, color->green, color->blue);
        palette.setColor(QPalette::WindowText, text);
        palette.setColor(QPalette::ButtonText, text);
    }
    QApplication::setPalette(palette);
    QApplication::processEvents();
    return true;
}

Rgb systemColor(SystemColor color) {
    const QColor qcolor = QApplication::palette().color(
        color == SystemColor::CaptionText ? QPalette::HighlightedText : QPalette::WindowText);
    return {std::uint8_t(qcolor.red()), std::uint8_t(qcolor.green()), std::uint8_t(qcolor.blue())};
}

std::string messageBoxOkCaption() {
    return "确定";
}

std::string ModalWindow::caption() const {
    return fromQt(native_.widget()->windowTitle());
}

std::vector<std::string> ModalWindow::texts() const {
    std::vector<std::string> result;
    for (const QLabel* label : native_.widget()->findChildren<QLabel*>())
        if (label->isVisible() && !label->text().isEmpty())
            result.push_back(fromQt(label->text()));
    return result;
}

std::vector<std::string> ModalWindow::buttons() const {
    std::vector<std::string> result;
    for (const QAbstractButton* button : native_.widget()->findChildren<QAbstractButton*>())
        if (button->isVisible())
            result.push_back(fromQt(button->text()));
    return result;
}

bool ModalWindow::hasIcon() const {
    if (auto* box = qobject_cast<QMessageBox*>(native_.widget()))
        return box->icon() != QMessageBox::NoIcon || !box->iconPixmap().isNull();
    return false;
}

void ModalWindow::clickButton(const std::string& caption) {
    for (QAbstractButton* button : native_.widget()->findChildren<QAbstractButton*>())
        if (button->isVisible() && fromQt(button->text()) == caption) {
            clickAt(button, button->rect().center());
            return;
        }
    qFatal("no button \"%s\" in the modal window", caption.c_str());
}

void ModalWindow::pressKey(Key key, bool withAlt) {
    keyClick(native_.widget(), key, withAlt);
}

void ModalWindow::clickCloseBox() {
    sendClose(native_.widget());
}

std::vector<Element*> ModalWindow::elements() const {
    std::vector<Element*> result;
    if (Element* window = elementOf(native_.widget()))
        result.push_back(window);
    for (QObject* child : native_.widget()->findChildren<QObject*>())
        if (Element* element = elementOf(child))
            result.push_back(element);
    return result;
}

namespace {

AccessibleRole accessibleRole(QAccessible::Role role) {
    switch (role) {
    case QAccessible::StaticText:
        return AccessibleRole::StaticText;
    case QAccessible::StatusBar:
        return AccessibleRole::StatusLine;
    case QAccessible::ComboBox:
        return AccessibleRole::DropDownList;
    case QAccessible::List:
        return AccessibleRole::List;
    default:
        return AccessibleRole::Other;
    }
}

} // namespace

AccessibleInfo accessibleInfo(const Control& control) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widgetOf(control));
    AccessibleInfo info;
    info.role = accessibleRole(accessible->role());
    info.name = fromQt(accessible->text(QAccessible::Name));
    if (QAccessibleTextInterface* text = accessible->textInterface())
        info.text = fromQt(text->text(0, text->characterCount()));
    info.hidden = accessible->state().invisible;
    return info;
}

std::optional<std::string> accessibleDescription(const DirList& list, int row) {
    QAccessibleInterface* rowAccessible =
        QAccessible::queryAccessibleInterface(widgetOf(list))->child(row);
    if (!rowAccessible)
        return std::nullopt;
    return fromQt(rowAccessible->text(QAccessible::Description));
}

// Qt passes accessibility events on only while the desktop's bridge is active.
std::optional<int> accessibleNameChanges(const Control&) {
    return std::nullopt;
}

long peakMemoryKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void onModalWindow(std::function<void(ModalWindow&)> handler) {
    watcher().handler = std::move(handler);
}

std::vector<FolderRow> rows(const DirList& list) {
    const QAbstractItemModel* model = listView(list).model();
    std::vector<FolderRow> result;
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, 0);
        result.push_back({fromQt(index.data().toString()), index.data(kDepthRole).toInt(),
                          index.data(kOpenRole).toBool()});
    }
    return result;
}

int selectedRow(const DirList& list) {
    return listView(list).currentIndex().row();
}

void clickRow(DirList& list, int row) {
    QListView& view = listView(list);
    clickAt(view.viewport(), rowCentre(view, row));
}

void doubleClickRow(DirList& list, int row) {
    QListView& view = listView(list);
    QWidget* window = view.window();
    QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, {},
                       view.viewport()->mapTo(window, rowCentre(view, row)));
}

std::vector<std::string> drives(const DriveList& list) {
    const QComboBox& combo = comboBox(list);
    std::vector<std::string> result;
    for (int i = 0; i < combo.count(); ++i)
        result.push_back(combo.itemData(i).toByteArray().toStdString());
    return result;
}

void chooseDrive(DriveList& list, const std::string& drive) {
    QComboBox& combo = comboBox(list);
    const int index = combo.findData(QByteArray::fromStdString(drive));
    if (index < 0)
        qFatal("no drive \"%s\" in the list", drive.c_str());
    // With the arrow keys, each step a choice of its own; one the program refuses puts the
    // list back, which ends the walk.
    combo.setFocus();
    const int start = combo.currentIndex();
    for (int step = 0; step < std::abs(index - start); ++step)
        keyClick(combo.window(), index > start ? Key::Down : Key::Up);
}

bool isDroppedDown(const DriveList& list) {
    return comboBox(list).view()->isVisible();
}

void setDrives(std::optional<std::vector<std::string>> drives) {
    overrideDrives(std::move(drives));
}

void holdFolderReads(std::function<void()> hold, std::chrono::milliseconds deadline) {
    workerDeadline() = hold ? deadline : kWorkerDeadline;
    beforeWorkerCall() = std::move(hold);
}

} // namespace ui::testing
