#include "output_name.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(OutputName, CutAtTheLastDotOfTheFileName) {
    EXPECT_EQ(outputFileName(QStringLiteral("/docs/report.final.docx")), "report.final.pdf");
    EXPECT_EQ(outputFileName(QStringLiteral("/docs/a.b.docx")), "a.b.pdf");
    EXPECT_EQ(outputFileName(QStringLiteral("/v.1/memo.docx")), "memo.pdf");
    EXPECT_EQ(outputFileName(QStringLiteral("/v.1/memo")), "memo.pdf");
    EXPECT_EQ(outputFileName(QStringLiteral("report.doc")), "report.pdf");
    // A backslash belongs to the name on Linux.
    EXPECT_EQ(outputFileName(QStringLiteral("/x/C:\\Users\\ann.doc")), "C:\\Users\\ann.pdf");
}

TEST(OutputName, FolderWithOrWithoutTrailingSeparatorNamesTheSamePath) {
    EXPECT_EQ(outputFilePath(QStringLiteral("/pdf"), QStringLiteral("/d/report.docx")),
              "/pdf/report.pdf");
    EXPECT_EQ(outputFilePath(QStringLiteral("/pdf/"), QStringLiteral("/d/report.docx")),
              "/pdf/report.pdf");
    EXPECT_EQ(withTrailingSeparator(QStringLiteral("/pdf")), "/pdf/");
    EXPECT_EQ(withTrailingSeparator(QStringLiteral("/pdf/")), "/pdf/");
    EXPECT_EQ(outputFilePath(QString(), QStringLiteral("/d/r.docx")), "r.pdf");
}

TEST(OutputName, SameNameInTwoFoldersMeetsTheSameOutput) {
    EXPECT_EQ(outputFilePath(QStringLiteral("/o"), QStringLiteral("/a/x.doc")),
              outputFilePath(QStringLiteral("/o"), QStringLiteral("/b/x.doc")));
}

} // namespace
} // namespace ostrel
