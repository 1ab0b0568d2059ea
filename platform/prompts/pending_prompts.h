// Pending prompts: the questions an invisible office would show a user, kept on one
// process-wide board instead of on screen. The thread that raises a prompt waits for
// an answer; the host's prompt answerer finds prompts by title and answers them with a
// command id, as a user would press a message box button. A prompt nobody answers ends
// with its default answer after a bounded wait, so nothing can hang on it.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace ostrel {

// Message box command ids.
inline constexpr int kPromptOk = 1;
inline constexpr int kPromptCancel = 2;
inline constexpr int kPromptYes = 6;
inline constexpr int kPromptNo = 7;

struct PendingPrompt {
    std::uint64_t id;
    std::string title; // UTF-8
    std::string text;  // UTF-8
};

// Posts a prompt and blocks until it is answered or `timeout` passed; answers the
// command id given, or `defaultCommand` when nobody answered in time.
int askPrompt(const std::string& title, const std::string& text, int defaultCommand,
              std::chrono::milliseconds timeout);

// Answers the oldest pending prompt titled `title`; false when there is none.
bool answerPrompt(const std::string& title, int commandId);

// The prompts waiting for an answer, oldest first.
std::vector<PendingPrompt> pendingPrompts();

} // namespace ostrel
