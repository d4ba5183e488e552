#include "wayland_frames.h"

#include <QGuiApplication>
// Qt 6.4 has no public way to the toolkit's Wayland connection; this interface is the one the
// later public QNativeInterface::QWaylandApplication wraps.
#include <qpa/qplatformnativeinterface.h>

#include <wayland-client.h>

#include "xdg-decoration-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

#include <cstring>

namespace ui {

namespace {

// What the compositor offers and answers.
struct Probe {
    wl_compositor* compositor = nullptr;
    xdg_wm_base* shell = nullptr;
    zxdg_decoration_manager_v1* decorations = nullptr;
    bool configured = false;
    uint32_t mode = 0; // none answered
};

template <typename Global>
void bindOnce(Global*& global, wl_registry* registry, uint32_t name, const wl_interface& type) {
    if (!global)
        global = static_cast<Global*>(wl_registry_bind(registry, name, &type, 1));
}

const wl_registry_listener registryListener = {
    [](void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
        auto* probe = static_cast<Probe*>(data);
        if (std::strcmp(interface, wl_compositor_interface.name) == 0)
            bindOnce(probe->compositor, registry, name, wl_compositor_interface);
        else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0)
            bindOnce(probe->shell, registry, name, xdg_wm_base_interface);
        else if (std::strcmp(interface, zxdg_decoration_manager_v1_interface.name) == 0)
            bindOnce(probe->decorations, registry, name, zxdg_decoration_manager_v1_interface);
    },
    [](void*, wl_registry*, uint32_t) {},
};

const xdg_wm_base_listener shellListener = {
    [](void*, xdg_wm_base* shell, uint32_t serial) { xdg_wm_base_pong(shell, serial); },
};

// The surface's configure ends the answer; the decoration's comes before it.
const xdg_surface_listener surfaceListener = {
    [](void* data, xdg_surface*, uint32_t) { static_cast<Probe*>(data)->configured = true; },
};

const zxdg_toplevel_decoration_v1_listener decorationListener = {
    [](void* data, zxdg_toplevel_decoration_v1*, uint32_t mode) {
        static_cast<Probe*>(data)->mode = mode;
    },
};

// A toplevel that is configured and never shown: no buffer is ever attached to it.
void askForAWindow(Probe& probe, wl_display* display, wl_event_queue* queue) {
    xdg_wm_base_add_listener(probe.shell, &shellListener, nullptr);
    wl_surface* surface = wl_compositor_create_surface(probe.compositor);
    xdg_surface* window = xdg_wm_base_get_xdg_surface(probe.shell, surface);
    xdg_surface_add_listener(window, &surfaceListener, &probe);
    xdg_toplevel* toplevel = xdg_surface_get_toplevel(window);
    // Named as the toolkit names the program's windows, for a compositor's rules by program.
    xdg_toplevel_set_app_id(toplevel, QGuiApplication::desktopFileName().toUtf8().constData());
    zxdg_toplevel_decoration_v1* decoration =
        zxdg_decoration_manager_v1_get_toplevel_decoration(probe.decorations, toplevel);
    zxdg_toplevel_decoration_v1_add_listener(decoration, &decorationListener, &probe);
    // The compositor chooses, as the toolkit leaves it to choose for its windows.
    zxdg_toplevel_decoration_v1_unset_mode(decoration);
    wl_surface_commit(surface);
    // A compositor may configure only once the round trip that carried the commit is over.
    for (int trip = 0; trip < 3 && !probe.configured; ++trip)
        if (wl_display_roundtrip_queue(display, queue) < 0)
            break;
    zxdg_toplevel_decoration_v1_destroy(decoration);
    xdg_toplevel_destroy(toplevel);
    xdg_surface_destroy(window);
    wl_surface_destroy(surface);
}

} // namespace

bool compositorDrawsFrames() {
    auto* display = static_cast<wl_display*>(
        QGuiApplication::platformNativeInterface()->nativeResourceForIntegration("wl_display"));
    if (!display)
        return false;
    // The toolkit's own connection, on a queue of the program's own, so that the toolkit's
    // events are neither taken nor held up.
    wl_event_queue* queue = wl_display_create_queue(display);
    auto* wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), queue);
    wl_registry* registry = wl_display_get_registry(wrapper);
    Probe probe;
    wl_registry_add_listener(registry, &registryListener, &probe);
    if (wl_display_roundtrip_queue(display, queue) >= 0 && probe.compositor && probe.shell &&
        probe.decorations)
        askForAWindow(probe, display, queue);
    if (probe.decorations)
        zxdg_decoration_manager_v1_destroy(probe.decorations);
    if (probe.shell)
        xdg_wm_base_destroy(probe.shell);
    if (probe.compositor)
        wl_compositor_destroy(probe.compositor);
    wl_registry_destroy(registry);
    wl_proxy_wrapper_destroy(wrapper);
    wl_display_flush(display);
    wl_event_queue_destroy(queue);
    return probe.configured && probe.mode == ZXDG_TOPLEVEL_DECORATION_V1_MODE_SERVER_SIDE;
}

} // namespace ui
