#include "list_box_ex.h"
#include "recorders.h"

#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace ostrel {
namespace {

class DropCounter : public QObject {
public:
    int drops = 0;
    bool event(QEvent* event) override {
        if (event->type() == WM_FILESDROPPED) {
            ++drops;
            return true;
        }
        return QObject::event(event);
    }
};

class FileDrops : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        list.extensions = QStringList{"doc", "xls", "docx", "htm",  "tml", "xml", "txt",
                                      "rtf", "ppt", "jpg",  "jpeg", "bmp", "gif", "png"};
        list.notifyWindow = &counter;
        list.messageBoxes = &boxes;
        list.resize(300, 100);
    }

    QString file(const QString& relative) {
        const QString path = folder.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        return path;
    }
    QString dir(const QString& relative) {
        const QString path = folder.filePath(relative);
        QDir().mkpath(path);
        return path;
    }

    void drop(const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        // A drop goes to the widget that accepted the drag when it entered.
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list.viewport(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list.viewport(), &event);
    }
    void dropPaths(const QStringList& paths) {
        QList<QUrl> urls;
        for (const QString& path : paths) {
            urls << QUrl::fromLocalFile(path);
        }
        drop(urls);
    }
    // The notification is queued: it arrives only when posted events are delivered.
    int announced() {
        QCoreApplication::sendPostedEvents(&counter);
        return counter.drops;
    }
    QStringList entries() const {
        QStringList texts;
        for (int row = 0; row < list.count(); ++row) {
            texts << list.item(row)->text();
        }
        return texts;
    }
    int refusals() const {
        int count = 0;
        for (const auto& box : boxes.shown) {
            EXPECT_EQ(box.text, QStringLiteral("Convert Word File existing."));
            EXPECT_EQ(box.caption, QStringLiteral("Warning"));
            EXPECT_EQ(box.icon, QMessageBox::Information);
            ++count;
        }
        return count;
    }

    QTemporaryDir folder;
    CListBoxEx list;
    DropCounter counter;
    test::RecordingMessageBoxes boxes;
};

TEST_F(FileDrops, AcceptedExtensionIsAppendedAndAnnouncedOnce) {
    const QString report = file("A/Report.DOC");
    dropPaths({report});
    EXPECT_EQ(counter.drops, 0); // posted, not sent
    EXPECT_EQ(announced(), 1);
    EXPECT_EQ(entries(), QStringList{report});
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(FileDrops, SameFileTwiceIsRefusedTheSecondTime) {
    const QString report = file("A/report.doc");
    dropPaths({report});
    EXPECT_EQ(announced(), 1);
    dropPaths({report});
    EXPECT_EQ(announced(), 1);
    EXPECT_EQ(refusals(), 1);
    EXPECT_EQ(list.count(), 1);
}

TEST_F(FileDrops, DuplicateTestIgnoresCaseButNotTheExtension) {
    const QString docx = file("A/x.docx");
    const QString doc = file("A/x.doc");
    list.InsertString(-1, docx);
    list.InsertString(-1, folder.filePath("A/REPORT.doc"));
    dropPaths({doc, folder.filePath("A/report.doc")});
    EXPECT_EQ(entries(), (QStringList{docx, folder.filePath("A/REPORT.doc"), doc}));
    EXPECT_EQ(refusals(), 1);
}

TEST_F(FileDrops, HtmlIsNotTml) {
    dropPaths({file("A/page.html")});
    EXPECT_EQ(refusals(), 1);
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(announced(), 0);
}

TEST_F(FileDrops, DotInTheFolderNameOnlyGivesAWrongExtension) {
    dropPaths({file("Docs.old/readme")});
    EXPECT_EQ(refusals(), 1); // extension "old/readme"
    EXPECT_EQ(list.count(), 0);
}

TEST_F(FileDrops, FolderEndsTheDropButKeepsWhatCameBefore) {
    const QString first = file("B/first.docx");
    const QString third = file("B/third.docx");
    dropPaths({first, dir("B/sub.folder"), third});
    EXPECT_EQ(entries(), QStringList{first});
    EXPECT_EQ(announced(), 1);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(FileDrops, PathWithoutAnyDotEndsTheDrop) {
    const QString first = file("C/one.rtf");
    QTemporaryDir plain(QDir::tempPath() + QStringLiteral("/ostrelXXXXXX"));
    QString nodot = plain.filePath(QStringLiteral("notes"));
    if (nodot.contains(QLatin1Char('.'))) {
        GTEST_SKIP() << "the temporary folder has a dot in its path";
    }
    QFile(nodot).open(QIODevice::WriteOnly);
    dropPaths({first, nodot, file("C/two.rtf")});
    EXPECT_EQ(entries(), QStringList{first});
}

TEST_F(FileDrops, NonFileUrlEndsTheDropLikeAFolder) {
    const QString first = file("D/a.txt");
    drop({QUrl::fromLocalFile(first), QUrl(QStringLiteral("https://example.org/b.doc")),
          QUrl::fromLocalFile(file("D/c.txt"))});
    EXPECT_EQ(entries(), QStringList{first});
    EXPECT_EQ(announced(), 1);
}

TEST_F(FileDrops, InsertedAtTheEndInDropOrderNotSorted) {
    list.AddString(QStringLiteral("/m/middle.doc"));
    const QString zebra = file("E/zebra.doc");
    const QString apple = file("E/apple.PNG");
    dropPaths({zebra, apple});
    EXPECT_EQ(entries(), (QStringList{"/m/middle.doc", zebra, apple}));
    EXPECT_EQ(announced(), 1);
}

TEST_F(FileDrops, EveryRefusedFileGetsItsOwnMessage) {
    dropPaths({file("F/a.pdf"), file("F/b.odt"), file("F/c.doc")});
    EXPECT_EQ(refusals(), 2);
    EXPECT_EQ(list.count(), 1);
}

TEST_F(FileDrops, BusyRefusesTheWholeDrop) {
    list.busy = 1;
    dropPaths({file("G/a.doc")});
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Working now,Hold for a moment!"));
    EXPECT_EQ(boxes.shown[0].icon, QMessageBox::Warning);
    EXPECT_EQ(boxes.shown[0].caption, QCoreApplication::applicationName());
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(announced(), 0);
}

TEST(ListBoxSorting, AddStringSortsWithoutRegardToCase) {
    CListBoxEx list;
    for (const char* name : {"b.pdf", "C.pdf", "a.pdf", "B2.pdf"}) {
        list.AddString(QString::fromLatin1(name));
    }
    QStringList texts;
    for (int row = 0; row < list.count(); ++row) {
        texts << list.item(row)->text();
    }
    EXPECT_EQ(texts, (QStringList{"a.pdf", "b.pdf", "B2.pdf", "C.pdf"}));
}

} // namespace
} // namespace ostrel
