// The add-ins' apartment inside the word processor: one thread with its own Qt
// application and event loop. Add-ins are created, called and clicked only here, so
// their modal dialogs never block the office's main thread (which keeps repainting).
#pragma once

#include <functional>
#include <future>
#include <memory>
#include <thread>

class QObject;

namespace ostrel::bridge {

class AddinThread {
public:
    // Starts the thread and returns once its event loop accepts tasks.
    AddinThread();
    // Ends the event loop (after the tasks already posted) and joins the thread.
    ~AddinThread();
    AddinThread(const AddinThread&) = delete;
    AddinThread& operator=(const AddinThread&) = delete;

    // Runs `task` on the thread, in posting order; returns at once.
    void post(std::function<void()> task);
    bool isCurrent() const;

private:
    void run(std::promise<QObject*>* ready);

    std::thread thread_;
    QObject* context_ = nullptr; // lives on the thread, for queued calls
};

} // namespace ostrel::bridge
