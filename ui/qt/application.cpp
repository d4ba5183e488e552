#include "../application.h"
#include "font_families.h"

#include <QApplication>
#include <QFont>
#include <QProxyStyle>
#include <QStyleFactory>

#include <cstdlib>
#ifndef _WIN32
#include <fontconfig/fontconfig.h>
#include <pthread.h>
#include <thread>
#endif

namespace ui {

struct Application::State {
    State(int& argc, char** argv)
        : app(argc, argv) {}
    QApplication app;
};

namespace {
// Without a session bus, libdbus (for accessibility and the menu bar) would try to start one
// through dbus-launch. The program starts no other process.
void keepDbusFromLaunching() {
#ifndef _WIN32
    if (!std::getenv("DBUS_SESSION_BUS_ADDRESS"))
        setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
#endif
}

// Fontconfig reads its configuration and caches before the first text is measured, a quarter of
// start-up's work. It needs nothing of the toolkit, so it does that on a second core while the
// toolkit connects to the display.
class FontconfigStart {
public:
#ifdef _WIN32
    void wait() {}
#else
    FontconfigStart()
        : thread_([] { FcInit(); }) {}
    ~FontconfigStart() { wait(); }
    void wait() {
        if (thread_.joinable())
            thread_.join();
    }

private:
    std::thread thread_;
#endif
};

// The interface's texts are the program's own, so one face draws them; names in lists ask for
// more (folder_lists.cpp).
void setInterfaceFont() {
    QFont font = QApplication::font();
    font.setFamilies(familiesForOwnTexts(interfaceFamilies()));
    QApplication::setFont(font);
}

// The program is made for the Windows desktop: the classic style draws the group box, buttons
// and scroll bar as the native controls look, and paints a run's steps at a fraction of
// Fusion's cost. A menu bar's overflow button goes without its picture: the main window's one
// menu always fits, and looking for a reader of that PNG would load every image-format plugin
// on the system at start-up.
class ClassicStyle : public QProxyStyle {
public:
    ClassicStyle()
        : QProxyStyle(QStyleFactory::create(QStringLiteral("windows"))) {}

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option,
                       const QWidget* widget) const override {
        if (icon == SP_ToolBarHorizontalExtensionButton)
            return {};
        return QProxyStyle::standardIcon(icon, option, widget);
    }
};
} // namespace

Application::Application(int& argc, char** argv) {
    keepDbusFromLaunching();
    FontconfigStart fontconfig;
    state_ = std::make_unique<State>(argc, argv);
    QApplication::setStyle(new ClassicStyle);
    QGuiApplication::setDesktopFileName(QStringLiteral("marlinth"));
    fontconfig.wait();
    addOwnFonts();
    setInterfaceFont();
}

Application::~Application() = default;

int Application::run() {
    return state_->app.exec();
}

// Every run nested inside another (a button pressed during a run) takes a few KiB of stack,
// and a user may nest thousands. The default 8 MiB main-thread stack overflows at about 2,200,
// so the program runs on a thread with a larger one; only the pages it touches are committed.
int runWithLargeStack(const std::function<int()>& body) {
#ifdef _WIN32
    return body(); // the stack is reserved at link time
#else
    constexpr std::size_t kStackBytes = std::size_t{1} << 30;
    struct Job {
        const std::function<int()>* body;
        int result;
    } job{&body, 0};
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, kStackBytes);
    pthread_t thread;
    const int error = pthread_create(
        &thread, &attributes,
        [](void* data) -> void* {
            auto* job = static_cast<Job*>(data);
            job->result = (*job->body)();
            return nullptr;
        },
        &job);
    pthread_attr_destroy(&attributes);
    if (error != 0)
        return body(); // no room for a large stack: run as usual
    pthread_join(thread, nullptr);
    return job.result;
#endif
}

} // namespace ui
