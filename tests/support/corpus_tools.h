// Helpers of the tests that convert the real corpus: LibreOffice's own PDF export as the
// reference, the first page rendered small to see ink, and the processes and files a
// run may not leave behind.
#pragma once

#include <QDir>
#include <QString>
#include <QStringList>

#include <map>
#include <string>
#include <vector>

namespace ostrel::test {

// The corpus folder (documents/, protected/, hostile/); empty when it is missing.
QString corpusFolder(const QString& part);
// The files of a corpus folder, sorted by name.
QStringList corpusFiles(const QString& part);

// The files split into groups in which no two share an output name.
std::vector<QStringList> withoutNameClashes(const QStringList& files);

// LibreOffice's own export of the files into outFolder, in one office run with a private
// profile: the PDF of each source (empty when none was written).
std::map<QString, QString> referenceExports(const QStringList& files, const QString& outFolder);

// Page 1 rendered in grey at `dpi`, row by row; no pixels when it cannot be rendered.
struct GreyPage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;
};
GreyPage firstPageGrey(const QString& pdf, const QString& workFolder, int dpi);
// Writes a document of four pages that can be navigated: headings of three levels, a
// table of contents linking them, a cross-reference to a later page, a web link and a
// mail link. Its path.
QString writeNavigationDocument(const QString& folder);

// Whether page 1, rendered at 20 dpi in grey, has a pixel that is not white.
bool firstPageHasInk(const QString& pdf, const QString& workFolder);
// The share of page 1's pixels, rendered at 30 dpi in grey, that differ between two PDFs
// by more than 15 % of black; 1 when the pages differ in size or cannot be rendered.
double firstPageDifference(const QString& pdf, const QString& other, const QString& workFolder);

// The words (runs of letters and digits) that pdftotext finds in a PDF, each with its count.
std::map<QString, int> pdfWords(const QString& pdf);
// The number of words in `words`, and how many of them `other` has too (each counted as
// often as both hold it).
int wordCount(const std::map<QString, int>& words);
int sharedWordCount(const std::map<QString, int>& words, const std::map<QString, int>& other);
// The characters of `words` that no word of `reference` holds (a garbled Unicode map's
// U+6600 for "f"), each once.
QString charactersNotIn(const std::map<QString, int>& words,
                        const std::map<QString, int>& reference);

// The fonts that pdffonts lists without a Unicode map.
QStringList fontsWithoutUnicode(const QString& pdf);

// Office and Ghostscript processes that descend from this process ("soffice.bin 1234").
// Call makeThisProcessTheirReaper() first, so that orphaned descendants stay ours.
std::vector<std::string> leftoverProcesses();
void makeThisProcessTheirReaper();

// Files of the spool folder other than tmp.ps, pdfmarks and lock.
QStringList unexpectedSpoolFiles(const QString& spoolFolder);

} // namespace ostrel::test
