#include "prompts/pending_prompts.h"

#include <algorithm>
#include <condition_variable>
#include <list>
#include <mutex>
#include <optional>

namespace ostrel {
namespace {

class PromptBoard {
public:
    int ask(const std::string& title, const std::string& text, int defaultCommand,
            std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        auto entry = entries_.insert(entries_.end(), Entry{{nextId_++, title, text}, {}});
        answered_.wait_for(lock, timeout, [&] { return entry->answer.has_value(); });
        const int result = entry->answer.value_or(defaultCommand);
        entries_.erase(entry);
        return result;
    }

    bool answer(const std::string& title, int commandId) {
        std::lock_guard lock(mutex_);
        auto entry = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) {
            return !e.answer.has_value() && e.prompt.title == title;
        });
        if (entry == entries_.end()) {
            return false;
        }
        entry->answer = commandId;
        answered_.notify_all();
        return true;
    }

    std::vector<PendingPrompt> pending() const {
        std::lock_guard lock(mutex_);
        std::vector<PendingPrompt> result;
        for (const Entry& e : entries_) {
            if (!e.answer.has_value()) {
                result.push_back(e.prompt);
            }
        }
        return result;
    }

private:
    struct Entry {
        PendingPrompt prompt;
        std::optional<int> answer;
    };

    mutable std::mutex mutex_;
    std::condition_variable answered_;
    std::list<Entry> entries_;
    std::uint64_t nextId_ = 1;
};

PromptBoard& board() {
    static PromptBoard instance;
    return instance;
}

} // namespace

int askPrompt(const std::string& title, const std::string& text, int defaultCommand,
              std::chrono::milliseconds timeout) {
    return board().ask(title, text, defaultCommand, timeout);
}

bool answerPrompt(const std::string& title, int commandId) {
    return board().answer(title, commandId);
}

std::vector<PendingPrompt> pendingPrompts() {
    return board().pending();
}

} // namespace ostrel
