#include "../system.h"
#include "../worker_call.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDate>
#include <QLocale>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace ui {

namespace {
std::function<void(int)>& pauseHandler() {
    static std::function<void(int)> handler;
    return handler;
}

// Delivery goes on while messages keep arriving, as a PeekMessage loop would; the bound only
// keeps a stream of input from holding a run forever.
constexpr int kDeliveryBoundMs = 1000;
} // namespace

void deliverPendingMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents, kDeliveryBoundMs);
}

std::function<void()> messageWaker() {
    return [dispatcher = QAbstractEventDispatcher::instance()] { dispatcher->wakeUp(); };
}

void waitForMessages(std::chrono::milliseconds most) {
    QTimer timeUp; // an event of its own, which ends the wait
    timeUp.setSingleShot(true);
    timeUp.start(most);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void pause(int milliseconds) {
    if (pauseHandler())
        pauseHandler()(milliseconds);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void setPauseHandler(std::function<void(int)> handler) {
    pauseHandler() = std::move(handler);
}

Date today() {
    const QDate date = QDate::currentDate();
    return {date.year(), date.month(), date.day()};
}

std::string shortDateText(Date date) {
    // QLocale::system() honours LC_ALL, LC_TIME and LANG in that order.
    return QLocale::system()
        .toString(QDate(date.year, date.month, date.day), QLocale::ShortFormat)
        .toStdString();
}

void endProcess() {
    // Not exit(): static destructors would run while windows and a run are still alive.
    std::_Exit(0);
}

} // namespace ui
