#pragma once

#include "geometry.h"

#include <memory>
#include <string>

namespace ui {

class Native; // the back end's handle of a window or control

// Anything the back end shows: windows, controls, menus. Each is owned by the form that
// declares it; the back end keeps the native object only as long as that member lives.
class Element {
public:
    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;
    virtual ~Element();

    Native& native() const { return *native_; }

protected:
    explicit Element(std::unique_ptr<Native> native);

private:
    std::unique_ptr<Native> native_;
};

// A window or a control in one: something that can hold the keyboard focus.
class Control : public Element {
public:
    void setFocus();
    bool isEnabled() const;
    // The name a screen reader gives a control that shows no caption of its own.
    void setAccessibleName(const std::string& name);

protected:
    using Element::Element;
};

// A window or a group box: something that holds controls.
class Container : public Control {
protected:
    using Control::Control;
};

} // namespace ui
