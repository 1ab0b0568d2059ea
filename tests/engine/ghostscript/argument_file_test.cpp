#include "argument_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

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

TEST(ArgumentFile, PrivateWhileItLivesAndGoneAfterwards) {
    QTemporaryDir dir;
    const std::filesystem::path path = dir.filePath(QStringLiteral("args")).toStdString();
    {
        const ArgumentFile file(path, {QStringLiteral("-a"), QStringLiteral("-sX=p q")});
        EXPECT_EQ(file.reference(), "@" + path.string());
        struct stat info {};
        ASSERT_EQ(::stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
        QFile content(QString::fromStdString(path.string()));
        ASSERT_TRUE(content.open(QIODevice::ReadOnly));
        EXPECT_EQ(content.readAll(), "-a -sX=\"p q\" ");
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_THROW(ArgumentFile(path, {QStringLiteral("-sX=a\nb")}), std::runtime_error);
    EXPECT_FALSE(std::filesystem::exists(path));
}

} // namespace
} // namespace ostrel
