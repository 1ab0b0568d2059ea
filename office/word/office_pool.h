// The offices behind the "Word.Application" objects of this process. An application
// takes an office for its life and gives it back when it quits. Without a hold a
// given-back office is ended, so that every application has an office of its own,
// as a fresh Word instance would. While clients hold the server (the class object's
// LockServer), an office given back that still answers is cleared of every document
// and kept for the next application, so a run of documents starts the office once.
// The pool then keeps one office ready per hold, started in the background; it
// replaces an office that died, was ended for not answering, or has opened
// kDocumentsPerOffice documents; it ends an office left idle for kIdleLimit, and every
// office it keeps once the last hold goes.
#pragma once

#include "word/office_session.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace ostrel::word {

class OfficePool {
public:
    static constexpr int kDocumentsPerOffice = 50;
    static constexpr std::chrono::minutes kIdleLimit{5};

    // The one pool of this process.
    static OfficePool& instance();

    OfficePool(const OfficePool&) = delete;
    OfficePool& operator=(const OfficePool&) = delete;

    // An office for one application: a kept one, the one being started, or a new one.
    // Throws when no office can be started.
    std::unique_ptr<OfficeSession> take();
    // An office whose application has quit.
    void giveBack(std::unique_ptr<OfficeSession> office);

    void hold();
    // The last release ends every kept office before it returns.
    void release();

private:
    struct Kept {
        std::unique_ptr<OfficeSession> office;
        std::chrono::steady_clock::time_point since;
    };

    OfficePool() = default;
    void keep();
    bool wantsAnother() const;
    void startOne(std::unique_lock<std::mutex>& lock);
    void endIdle(std::unique_lock<std::mutex>& lock, bool all);

    std::mutex holdMutex_; // serialises hold() and release() around the keeper thread
    std::mutex mutex_;
    std::condition_variable changed_;
    int holds_ = 0;
    int starting_ = 0;
    int taken_ = 0;
    int waiting_ = 0;          // takers waiting for an office being started
    bool startFailed_ = false; // no more background starts until the next hold
    bool stopping_ = false;
    std::deque<Kept> kept_;
    std::thread keeper_;
};

} // namespace ostrel::word
