#include "argument_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace ostrel {
namespace {

TEST(ArgumentFileEntry, QuotesOnlyWhatNeedsIt) {
    EXPECT_EQ(argumentFileEntry(QStringLiteral("-dSAFER")), "-dSAFER");
    EXPECT_EQ(argumentFileEntry(QStringLiteral("-sOwnerPassword=a\\b")), "-sOwnerPassword=a\\b");
    EXPECT_EQ(argumentFileEntry(QStringLiteral("-sOwnerPassword=a\\")), "-sOwnerPassword=a\\");
    EXPECT_EQ(argumentFileEntry(QStringLiteral("-sOutputFile=/a b/c.pdf")),
              "-sOutputFile=\"/a b/c.pdf\"");
    EXPECT_EQ(argumentFileEntry(QStringLiteral("-sUserPassword=say \"hi\"")),
              "-sUserPassword=\"say \\\"hi\\\"\"");
    EXPECT_EQ(argumentFileEntry(QStringLiteral("/in/a b.ps")), "\"/in/a b.ps\"");
}

TEST(ArgumentFileEntry, RefusesWhatTheReaderCannotGiveBack) {
    EXPECT_FALSE(argumentFileEntry(QStringLiteral("-sUserPassword=a\nb")));
    EXPECT_FALSE(argumentFileEntry(QStringLiteral("-sUserPassword=a b\\")));
    EXPECT_FALSE(argumentFileEntry(QStringLiteral("-sUserPassword=\ufeffx")));
}

// The switches reach Ghostscript through a pipe only: nothing with a name holds them.
TEST(ArgumentPipe, HoldsTheEntriesAndRefusesWhatCannotBeCarried) {
    const ArgumentPipe pipe({QStringLiteral("-a"), QStringLiteral("-sX=p q")});
    char buffer[64] = {};
    EXPECT_EQ(::read(pipe.descriptor(), buffer, sizeof buffer), 13);
    EXPECT_STREQ(buffer, "-a -sX=\"p q\" ");
    EXPECT_EQ(::read(pipe.descriptor(), buffer, sizeof buffer), 0); // the writer is gone
    EXPECT_THROW(ArgumentPipe({QStringLiteral("-sX=a\nb")}), std::runtime_error);
}

} // namespace
} // namespace ostrel
