#include "file_list.h"
#include "file_name_bytes.h"

#include <gtest/gtest.h>

namespace ostrel::cli {
namespace {

// Names as lists and arguments carry them: every name of one and two bytes, and the
// longer sequences at the edges of UTF-8, come back byte for byte; valid UTF-8 reads as
// its text, and only other bytes are kept as foreign.
TEST(FileNames, EveryByteSequenceComesBackExactly) {
    const auto roundTrips = [](const QByteArray& bytes) {
        const QString name = fileNameText(bytes);
        EXPECT_EQ(fileNameBytes(name), bytes) << bytes.toHex().toStdString();
        // Qt's decoder replaces what is not UTF-8, which then no longer reads as the bytes.
        EXPECT_EQ(holdsForeignBytes(name), QString::fromUtf8(bytes).toUtf8() != bytes)
            << bytes.toHex().toStdString();
    };
    for (int first = 0; first < 256; ++first) {
        for (int second = -1; second < 256; ++second) {
            QByteArray bytes(1, static_cast<char>(first));
            if (second >= 0) {
                bytes += static_cast<char>(second);
            }
            roundTrips(bytes);
        }
    }
    struct Case {
        QByteArray bytes;
        bool raw;
    };
    for (const Case& c : {
             Case{"caf\xc3\xa9.doc", false},         // é
             Case{"caf\xe9.doc", true},              // Latin-1
             Case{"\xf0\x9f\x98\x80\x80.ps", true},  // a character past U+FFFF, then a stray byte
             Case{"\xe0\x80\xaf", true},             // overlong '/'
             Case{"\xed\xa0\x80\xed\xb2\x80", true}, // encoded surrogates
             Case{"\xf4\x90\x80\x80", true},         // past U+10FFFF
             Case{"\xef\xbf\xbd.doc", false},        // U+FFFD itself
             Case{"\xe2\x82", true},                 // cut short
         }) {
        const QString name = fileNameText(c.bytes);
        EXPECT_EQ(fileNameBytes(name), c.bytes) << c.bytes.toHex().toStdString();
        EXPECT_EQ(holdsForeignBytes(name), c.raw) << c.bytes.toHex().toStdString();
    }
}

// Machines running different versions must still split a list alike: the shards of a
// fixed list are fixed, and K=0 is shard N.
TEST(Shards, AListSplitsTheSameWayEverywhere) {
    QStringList files;
    for (int number = 1; number <= 12; ++number) {
        files << QStringLiteral("/archive/%1/letter-%2.doc").arg(number % 3).arg(number);
    }
    files << QStringLiteral("/elsewhere/letter-1.docx");
    // Both letter-1 make letter-1.pdf: the same PDF, the same shard.
    EXPECT_EQ(filesOfShard(files, {1, 3}),
              QStringList({"/archive/1/letter-1.doc", "/archive/2/letter-2.doc",
                           "/archive/1/letter-4.doc", "/archive/2/letter-5.doc",
                           "/archive/0/letter-9.doc", "/archive/1/letter-10.doc",
                           "/archive/0/letter-12.doc", "/elsewhere/letter-1.docx"}));
    EXPECT_EQ(filesOfShard(files, {2, 3}), QStringList({"/archive/0/letter-6.doc"}));
    EXPECT_EQ(filesOfShard(files, *parseShard(QStringLiteral("0/3"))), filesOfShard(files, {3, 3}));
    for (const char* bad : {"3/2", "1/0", "0/0", "-1/2", "1/", "/2", "a/b", "1/2/3", " 1/2", "1/2 ",
                            "1/9999999999"}) {
        EXPECT_FALSE(parseShard(QString::fromLatin1(bad))) << bad;
    }
}

} // namespace
} // namespace ostrel::cli
