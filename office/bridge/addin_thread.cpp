#include "addin_thread.h"

#include <QApplication>
#include <QObject>

#include <cstdlib>
#include <future>

namespace ostrel::bridge {

AddinThread::AddinThread() {
    std::promise<QObject*> ready;
    auto started = ready.get_future();
    thread_ = std::thread([this, &ready] { run(&ready); });
    context_ = started.get();
}

AddinThread::~AddinThread() {
    post([] { QCoreApplication::quit(); });
    thread_.join();
}

void AddinThread::run(std::promise<QObject*>* ready) {
    // The add-ins' dialogs are Qt widgets: they need an application object, and the
    // office's own process has none. Qt keeps the pointers to argc and argv.
    static int argc = 1;
    static char name[] = "soffice";
    static char platformOption[] = "-platform";
    static char x11[] = "xcb";
    static char* argv[] = {name, platformOption, x11, nullptr};
    // The dialogs go to the office's X display when there is one, whatever
    // QT_QPA_PLATFORM asks of other Qt programs: "offscreen" there would hide a modal
    // dialog while every office window waits for it.
    if (const char* display = std::getenv("DISPLAY"); display != nullptr && *display != 0) {
        argc = 3;
    }
    std::unique_ptr<QApplication> application;
    if (QCoreApplication::instance() == nullptr) {
        application = std::make_unique<QApplication>(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
    }
    {
        QObject context;
        ready->set_value(&context);
        QCoreApplication::exec();
        // Tasks posted after the loop ended are dropped with the context.
    }
}

void AddinThread::post(std::function<void()> task) {
    QMetaObject::invokeMethod(context_, std::move(task), Qt::QueuedConnection);
}

bool AddinThread::isCurrent() const {
    return std::this_thread::get_id() == thread_.get_id();
}

} // namespace ostrel::bridge
