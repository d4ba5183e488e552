#include "native.h"

namespace ui {

namespace {
const char* const kOwnerProperty = "marlinthElement";
}

Native::Native(QObject* object, QWidget* container)
    : object_(object),
      container_(container) {}

// Deleting a widget also deletes its children, so a member destroyed after its container
// finds its object gone already; QPointer notices.
Native::~Native() {
    delete object_.data();
}

void Native::setOwner(Element* owner) {
    object_->setProperty(kOwnerProperty, QVariant::fromValue(static_cast<void*>(owner)));
}

Element* elementOf(const QObject* object) {
    return static_cast<Element*>(object->property(kOwnerProperty).value<void*>());
}

// Twips become logical pixels here and nowhere else; Qt scales those for the screen.
QRect toPixels(Rect twips) {
    return QRect(twipsToPixels(twips.left), twipsToPixels(twips.top), twipsToPixels(twips.width),
                 twipsToPixels(twips.height));
}

QPoint toPixels(Point twips) {
    return QPoint(twipsToPixels(twips.x), twipsToPixels(twips.y));
}

QSize toPixels(Size twips) {
    return QSize(twipsToPixels(twips.width), twipsToPixels(twips.height));
}

QString toQt(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

std::string fromQt(const QString& text) {
    return text.toStdString();
}

Element::Element(std::unique_ptr<Native> native)
    : native_(std::move(native)) {
    native_->setOwner(this);
}

Element::~Element() = default;

void Control::setFocus() {
    native().widget()->setFocus(Qt::OtherFocusReason);
}

bool Control::isEnabled() const {
    return native().widget()->isEnabled();
}

void Control::setAccessibleName(const std::string& name) {
    native().widget()->setAccessibleName(toQt(name));
}

} // namespace ui
