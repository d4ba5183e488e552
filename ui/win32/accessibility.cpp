#include "native.h"
#include "system_dlls.h"

#include <oleacc.h>

#include <optional>

namespace ui {

namespace {

// The system's accessible object for the window's client area, with what the program knows
// better put in its place: a role, a name, rows' names and descriptions, or that it is hidden.
// It stands in for the system's object whole: a client that reaches it through any of its
// interfaces (a reader walks children through IEnumVARIANT) finds this object, never the
// system's. IServiceProvider is not offered, as the system's would lead past it.
class Accessible final : public IAccessible, public IEnumVARIANT, public IOleWindow {
public:
    Accessible(HWND hwnd, IAccessible* system, std::shared_ptr<const AccessibleOverride> override)
        : hwnd_(hwnd),
          system_(system),
          override_(std::move(override)) {
        system_->QueryInterface(__uuidof(IEnumVARIANT), reinterpret_cast<void**>(&children_));
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (id == __uuidof(IUnknown) || id == __uuidof(IDispatch) || id == __uuidof(IAccessible))
            *object = static_cast<IAccessible*>(this);
        else if (id == __uuidof(IEnumVARIANT) && children_)
            *object = static_cast<IEnumVARIANT*>(this);
        else if (id == __uuidof(IOleWindow))
            *object = static_cast<IOleWindow*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            if (children_)
                children_->Release();
            system_->Release();
            delete this;
        }
        return left;
    }

    // IEnumVARIANT: the system's enumeration of the children
    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* children, ULONG* fetched) override {
        return children_->Next(count, children, fetched);
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override { return children_->Skip(count); }
    HRESULT STDMETHODCALLTYPE Reset() override { return children_->Reset(); }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** copy) override {
        *copy = nullptr;
        IEnumVARIANT* systemCopy = nullptr;
        IAccessible* systemObject = nullptr;
        HRESULT result = children_->Clone(&systemCopy);
        if (SUCCEEDED(result))
            result = systemCopy->QueryInterface(__uuidof(IAccessible),
                                                reinterpret_cast<void**>(&systemObject));
        if (systemCopy)
            systemCopy->Release();
        if (FAILED(result))
            return result;
        auto* clone = new Accessible(hwnd_, systemObject, override_);
        *copy = static_cast<IEnumVARIANT*>(clone);
        return S_OK;
    }

    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        *window = hwnd_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        return system_->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return system_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID id, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        return system_->GetIDsOfNames(id, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID id, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argument) override {
        return system_->Invoke(member, id, locale, flags, parameters, result, exception, argument);
    }

    // IAccessible: what the program tells
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (isSelf(child) && override_->name)
            return answer(override_->name(), name);
        if (!isSelf(child) && override_->rowName)
            return answer(override_->rowName(child.lVal - 1), name);
        return system_->get_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        if (!isSelf(child) && override_->rowDescription)
            return answer(override_->rowDescription(child.lVal - 1), description);
        return system_->get_accDescription(child, description);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (isSelf(child) && override_->role) {
            role->vt = VT_I4;
            role->lVal = override_->role;
            return S_OK;
        }
        return system_->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        const HRESULT result = system_->get_accState(child, state);
        if (SUCCEEDED(result) && isSelf(child) && override_->hidden)
            state->lVal |= STATE_SYSTEM_INVISIBLE;
        return result;
    }

    // IAccessible: what the system tells
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return system_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        return system_->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        return system_->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return system_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return system_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return system_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return system_->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
        return system_->get_accFocus(child);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return system_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return system_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        return system_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override {
        return system_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        return system_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long left, long top, VARIANT* child) override {
        return system_->accHitTest(left, top, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return system_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return system_->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return system_->put_accValue(child, value);
    }

private:
    static bool isSelf(const VARIANT& child) {
        return child.vt != VT_I4 || child.lVal == CHILDID_SELF;
    }
    // No text: a row the control does not have.
    static HRESULT answer(const std::optional<std::wstring>& text, BSTR* result) {
        *result = nullptr;
        if (!text)
            return E_INVALIDARG;
        *result = SysAllocStringLen(text->data(), UINT(text->size()));
        return *result ? S_OK : E_OUTOFMEMORY;
    }

    HWND hwnd_;
    IAccessible* system_;
    IEnumVARIANT* children_ = nullptr; // null where the system's object has none
    // Shared: a screen reader may hold on to the object after the control is gone.
    std::shared_ptr<const AccessibleOverride> override_;
    ULONG references_ = 1;
};

// What answers screen readers, from oleacc.dll, loaded when the first one asks. Without it the
// program runs on, and readers learn what the system tells them of the controls.
struct AccessibilityFunctions {
    decltype(&CreateStdAccessibleObject) createStdAccessibleObject = nullptr;
    decltype(&LresultFromObject) lresultFromObject = nullptr;
};

AccessibilityFunctions loadAccessibilityFunctions() {
    const HMODULE oleacc = loadSystemDll(L"oleacc.dll");
    AccessibilityFunctions found;
    found.createStdAccessibleObject =
        lookUp<decltype(found.createStdAccessibleObject)>(oleacc, "CreateStdAccessibleObject");
    found.lresultFromObject =
        lookUp<decltype(found.lresultFromObject)>(oleacc, "LresultFromObject");
    return found;
}

LRESULT CALLBACK answerAccessibility(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR) {
    const CommonControls& controls = commonControls();
    if (message == WM_NCDESTROY)
        controls.removeWindowSubclass(hwnd, answerAccessibility, 0);
    Native* native = nativeOf(hwnd);
    if (message != WM_GETOBJECT || LONG(lParam) != OBJID_CLIENT || !native || !native->accessible)
        return controls.defSubclassProc(hwnd, message, wParam, lParam);
    // Asked by a screen reader; the answer crosses to it through COM.
    static const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    (void)com;
    static const AccessibilityFunctions oleacc = loadAccessibilityFunctions();
    IAccessible* system = nullptr;
    if (!oleacc.createStdAccessibleObject || !oleacc.lresultFromObject ||
        FAILED(oleacc.createStdAccessibleObject(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                                reinterpret_cast<void**>(&system))))
        return controls.defSubclassProc(hwnd, message, wParam, lParam);
    auto* accessible = new Accessible(hwnd, system, native->accessible);
    const LRESULT result = oleacc.lresultFromObject(__uuidof(IAccessible), wParam,
                                                    static_cast<IAccessible*>(accessible));
    accessible->Release();
    return result;
}

} // namespace

AccessibleOverride& accessibleOverride(Native& native) {
    if (!native.accessible) {
        native.accessible = std::make_shared<AccessibleOverride>();
        commonControls().setWindowSubclass(native.hwnd, answerAccessibility, 0, 0);
    }
    return *native.accessible;
}

void Control::setAccessibleName(const std::string& name) {
    accessibleOverride(native()).name = [text = wide(name)] { return text; };
}

} // namespace ui
