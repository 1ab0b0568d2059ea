#include "word/office_pool.h"

#include <utility>
#include <vector>

namespace ostrel::word {

OfficePool& OfficePool::instance() {
    // Never destroyed: offices still kept at exit end with the process they are tied to.
    static OfficePool* pool = new OfficePool();
    return *pool;
}

std::unique_ptr<OfficeSession> OfficePool::take() {
    std::unique_lock lock(mutex_);
    for (;;) {
        while (!kept_.empty()) {
            std::unique_ptr<OfficeSession> office = std::move(kept_.front().office);
            kept_.pop_front();
            if (office->usable()) {
                ++taken_;
                return office;
            }
            lock.unlock();
            office.reset(); // died while it waited
            lock.lock();
        }
        // An office on its way that no other taker waits for is ours; otherwise we start
        // one ourselves rather than wait for two starts in a row.
        if (starting_ <= waiting_) {
            break;
        }
        ++waiting_;
        changed_.wait(lock);
        --waiting_;
    }
    ++taken_;
    lock.unlock();
    try {
        return std::make_unique<OfficeSession>();
    } catch (...) {
        lock.lock();
        --taken_;
        changed_.notify_all();
        throw;
    }
}

void OfficePool::giveBack(std::unique_ptr<OfficeSession> office) {
    bool keep = false;
    {
        std::lock_guard lock(mutex_);
        keep = holds_ > 0;
    }
    if (keep && office->usable() && office->documentsLoaded() < kDocumentsPerOffice) {
        try {
            office->closeAllDocuments();
        } catch (const std::exception&) {
            keep = false;
        }
        keep = keep && office->usable();
    } else {
        keep = false;
    }
    std::unique_lock lock(mutex_);
    --taken_;
    if (keep && holds_ > 0) {
        kept_.push_back({std::move(office), std::chrono::steady_clock::now()});
        changed_.notify_all();
        return;
    }
    lock.unlock();
    office.reset(); // quits the office
    lock.lock();
    changed_.notify_all(); // the keeper may start a replacement
}

void OfficePool::hold() {
    std::lock_guard holdLock(holdMutex_);
    std::lock_guard lock(mutex_);
    ++holds_;
    startFailed_ = false;
    if (!keeper_.joinable()) {
        stopping_ = false;
        keeper_ = std::thread(&OfficePool::keep, this);
    }
    changed_.notify_all();
}

void OfficePool::release() {
    std::lock_guard holdLock(holdMutex_);
    {
        std::lock_guard lock(mutex_);
        if (holds_ == 0 || --holds_ > 0) {
            return;
        }
        stopping_ = true;
        changed_.notify_all();
    }
    if (keeper_.joinable()) {
        keeper_.join();
    }
}

bool OfficePool::wantsAnother() const {
    const auto have = static_cast<int>(kept_.size()) + starting_ + taken_;
    return !startFailed_ && have < holds_;
}

// The keeper thread: starts offices while holds want them, ends idle ones, and ends
// every kept office when the last hold goes.
void OfficePool::keep() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (wantsAnother()) {
            startOne(lock);
            continue;
        }
        endIdle(lock, false);
        if (stopping_ || wantsAnother()) {
            continue;
        }
        if (kept_.empty()) {
            changed_.wait(lock);
        } else {
            changed_.wait_until(lock, kept_.front().since + kIdleLimit);
        }
    }
    endIdle(lock, true);
}

void OfficePool::startOne(std::unique_lock<std::mutex>& lock) {
    ++starting_;
    lock.unlock();
    std::unique_ptr<OfficeSession> office;
    try {
        office = std::make_unique<OfficeSession>();
    } catch (const std::exception&) {
        // take() starts one itself and reports why it cannot.
    }
    lock.lock();
    --starting_;
    if (office) {
        kept_.push_back({std::move(office), std::chrono::steady_clock::now()});
    } else {
        startFailed_ = true;
    }
    changed_.notify_all();
}

void OfficePool::endIdle(std::unique_lock<std::mutex>& lock, bool all) {
    const auto now = std::chrono::steady_clock::now();
    std::vector<std::unique_ptr<OfficeSession>> ending;
    while (!kept_.empty() && (all || now - kept_.front().since >= kIdleLimit)) {
        ending.push_back(std::move(kept_.front().office));
        kept_.pop_front();
    }
    if (ending.empty()) {
        return;
    }
    lock.unlock();
    ending.clear(); // each quits its office
    lock.lock();
}

} // namespace ostrel::word
