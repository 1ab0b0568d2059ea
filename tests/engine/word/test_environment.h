// Private folders for one test program: a registry, a spool folder and output folders,
// all below one temporary folder that goes with the program. The offices' profiles come
// from the build's own cache folder: the tests of one build share its profile template
// (as two conversions of one user do), never the user's or another build's.
#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <cstdlib>
#include <memory>

namespace ostrel::test {

class PrivateFolders {
public:
    PrivateFolders() {
        setenv("OSTREL_REGISTRY_DIR", QFile::encodeName(path("registry")).constData(), 1);
        setenv("OSTREL_SPOOL_DIR", QFile::encodeName(spool()).constData(), 1);
        setenv("XDG_CACHE_HOME", OSTREL_TEST_CACHE_DIR, 1);
    }

    // A folder below the temporary one, created when missing.
    QString path(const QString& name) const {
        const QString folder = root_.filePath(name);
        QDir().mkpath(folder);
        return folder;
    }
    // The spool folder must be private: only its owner may enter it.
    QString spool() const {
        const QString folder = root_.filePath(QStringLiteral("spool"));
        QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return folder;
    }

    // A new empty folder for one test's PDFs.
    QString freshFolder() { return path(QStringLiteral("out%1").arg(++folders_)); }

private:
    QTemporaryDir root_;
    int folders_ = 0;
};

// Pages of a PDF; -1 when qpdf cannot read it.
inline int pdfPageCount(const QString& file) {
    try {
        QPDF pdf;
        pdf.processFile(QFile::encodeName(file).constData());
        return static_cast<int>(QPDFPageDocumentHelper(pdf).getAllPages().size());
    } catch (const std::exception&) {
        return -1;
    }
}

} // namespace ostrel::test
