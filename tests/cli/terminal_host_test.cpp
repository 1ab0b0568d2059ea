// The command line's conversion host: where a document password comes from, and the
// thread that answers the office's pending prompts.
#include "prompts/pending_prompts.h"
#include "terminal_host.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

namespace ostrel::cli {
namespace {

using namespace std::chrono_literals;

TEST(TerminalHost, AGivenPasswordIsOfferedOncePerDocument) {
    TerminalHost host({QStringLiteral("secret"), false});
    host.beginDocument();
    const PasswordAnswer first = host.askDocumentPassword(QStringLiteral("a.doc"));
    EXPECT_EQ(first.password, QStringLiteral("secret"));
    EXPECT_TRUE(first.refusal.isEmpty());
    // Asked again for the same document: the password was wrong; no loop.
    const PasswordAnswer again = host.askDocumentPassword(QStringLiteral("a.doc"));
    EXPECT_EQ(again.password, std::nullopt);
    EXPECT_EQ(again.refusal, QStringLiteral("the given document password does not open a.doc"));

    host.beginDocument();
    EXPECT_EQ(host.askDocumentPassword(QStringLiteral("b.doc")).password, QStringLiteral("secret"));
}

TEST(TerminalHost, WithoutPasswordOrTerminalTheDocumentFailsAtOnce) {
    TerminalHost host({std::nullopt, false});
    host.beginDocument();
    const PasswordAnswer answer = host.askDocumentPassword(QStringLiteral("locked.docx"));
    EXPECT_EQ(answer.password, std::nullopt);
    EXPECT_TRUE(answer.refusal.startsWith(QStringLiteral("locked.docx could not be opened")));
    EXPECT_TRUE(answer.refusal.contains(QStringLiteral("--document-password-file")));
}

TEST(PromptAnswererThread, AnswersWordsPromptsWithYesOnlyWhileRunning) {
    const std::string title = "Microsoft Office Word";
    PromptAnswererThread answerer;
    answerer.start();
    // Far longer than the 200 ms polling: only a missing answer reaches the default.
    EXPECT_EQ(askPrompt(title, "Continue?", kPromptNo, 60s), kPromptYes);
    // Other titles are not ours to answer.
    EXPECT_EQ(askPrompt("Another program", "Continue?", kPromptNo, 1s), kPromptNo);
    answerer.stop();
    EXPECT_EQ(askPrompt(title, "Continue?", kPromptNo, 1s), kPromptNo);
    EXPECT_TRUE(pendingPrompts().empty());
}

} // namespace
} // namespace ostrel::cli
