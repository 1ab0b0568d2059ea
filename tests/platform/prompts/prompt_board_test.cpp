// The pending prompts board: prompts wait for the host's answer, are found by title,
// oldest first, and end with their default when nobody answers.
#include "prompts/pending_prompts.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

using namespace std::chrono_literals;

namespace {

constexpr const char* kTitle = "Microsoft Office Word";

// Waits until `count` prompts are pending (bounded generously: the machine may be busy).
bool waitForPending(std::size_t count) {
    for (int i = 0; i < 6000; ++i) {
        if (ostrel::pendingPrompts().size() >= count) {
            return true;
        }
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

TEST(PromptBoard, AnswerReachesTheWaitingPrompt) {
    auto answer = std::async(std::launch::async, [] {
        return ostrel::askPrompt(kTitle, "Repair the file?", ostrel::kPromptNo, 60s);
    });
    ASSERT_TRUE(waitForPending(1));
    const auto pending = ostrel::pendingPrompts();
    EXPECT_EQ(pending.front().title, kTitle);
    EXPECT_EQ(pending.front().text, "Repair the file?");
    EXPECT_TRUE(ostrel::answerPrompt(kTitle, ostrel::kPromptYes));
    EXPECT_EQ(answer.get(), ostrel::kPromptYes);
    EXPECT_TRUE(ostrel::pendingPrompts().empty());
}

TEST(PromptBoard, OnlyPromptsWithTheTitleAreAnsweredOldestFirst) {
    auto other = std::async(std::launch::async, [] {
        return ostrel::askPrompt("Another program", "?", ostrel::kPromptCancel, 60s);
    });
    ASSERT_TRUE(waitForPending(1));
    auto first = std::async(std::launch::async, [] {
        return ostrel::askPrompt(kTitle, "first", ostrel::kPromptNo, 60s);
    });
    ASSERT_TRUE(waitForPending(2));
    auto second = std::async(std::launch::async, [] {
        return ostrel::askPrompt(kTitle, "second", ostrel::kPromptNo, 60s);
    });
    ASSERT_TRUE(waitForPending(3));

    EXPECT_TRUE(ostrel::answerPrompt(kTitle, ostrel::kPromptYes));
    EXPECT_EQ(first.get(), ostrel::kPromptYes);
    EXPECT_EQ(second.wait_for(0s), std::future_status::timeout);
    EXPECT_TRUE(ostrel::answerPrompt(kTitle, ostrel::kPromptOk));
    EXPECT_EQ(second.get(), ostrel::kPromptOk);
    EXPECT_FALSE(ostrel::answerPrompt(kTitle, ostrel::kPromptYes));
    EXPECT_EQ(other.wait_for(0s), std::future_status::timeout);
    EXPECT_TRUE(ostrel::answerPrompt("Another program", ostrel::kPromptYes));
    EXPECT_EQ(other.get(), ostrel::kPromptYes);
}

TEST(PromptBoard, UnansweredPromptEndsWithItsDefault) {
    EXPECT_EQ(ostrel::askPrompt(kTitle, "nobody answers", ostrel::kPromptNo, 50ms),
              ostrel::kPromptNo);
    EXPECT_TRUE(ostrel::pendingPrompts().empty());
    EXPECT_FALSE(ostrel::answerPrompt(kTitle, ostrel::kPromptYes));
}

} // namespace
