#pragma once

// The Qt back end's private view of windows and controls; nothing outside ui/ sees it.

#include "../control.h"
#include "../geometry.h"

#include <QPointer>
#include <QRect>
#include <QWidget>

class QMenuBar;

namespace ui {

class Window;

class Native {
public:
    // `container` is where child controls go: the window's client area, or the widget itself.
    explicit Native(QObject* object, QWidget* container = nullptr);
    ~Native();

    QObject* object() const { return object_; }
    QWidget* widget() const { return qobject_cast<QWidget*>(object_); }
    QWidget* container() const { return container_ ? container_.data() : widget(); }

    void setOwner(Element* owner);
    // Stops standing for the object without deleting it, for handles lent to tests.
    void release() { object_ = nullptr; }

private:
    QPointer<QObject> object_;
    QPointer<QWidget> container_;
};

// The element a Qt object stands for, or null for Qt's own objects (a message box's button).
Element* elementOf(const QObject* object);

// The main window's menu bar, which its menus go into.
QMenuBar* menuBarOf(const Window& window);
// Where a top-level window's controls are: under the menu bar of the main window.
const QWidget* clientAreaOf(const QWidget* window);

QRect toPixels(Rect twips);
QPoint toPixels(Point twips);
QSize toPixels(Size twips);

QString toQt(const std::string& utf8);
std::string fromQt(const QString& text);

} // namespace ui
