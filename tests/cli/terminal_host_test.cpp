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
    EXPECT_EQ(host.askDocumentPassword(QStringLiteral("a.doc")), QStringLiteral("secret"));
    EXPECT_TRUE(host.messages().isEmpty());
    // Asked again for the same document: the password was wrong; no loop.
    EXPECT_EQ(host.askDocumentPassword(QStringLiteral("a.doc")), std::nullopt);
    EXPECT_EQ(host.messages(),
              QStringList{QStringLiteral("the given document password does not open a.doc")});

    host.beginDocument();
    EXPECT_TRUE(host.messages().isEmpty());
    EXPECT_EQ(host.askDocumentPassword(QStringLiteral("b.doc")), QStringLiteral("secret"));
}

TEST(TerminalHost, WithoutPasswordOrTerminalTheDocumentFailsAtOnce) {
    TerminalHost host({std::nullopt, false});
    host.beginDocument();
    EXPECT_EQ(host.askDocumentPassword(QStringLiteral("locked.docx")), std::nullopt);
    ASSERT_EQ(host.messages().size(), 1);
    EXPECT_TRUE(
        host.messages().front().startsWith(QStringLiteral("locked.docx could not be opened")));
    EXPECT_TRUE(host.messages().front().contains(QStringLiteral("--document-password-file")));
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
