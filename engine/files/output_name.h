// Naming the PDF of a source document.
//
// On Linux '/' separates folders. A backslash is an ordinary character in a Linux file
// name, so it is not taken as a separator: "C:\Users\ann.doc" is one file name there.
#pragma once

#include <QString>

namespace ostrel {

// The source's file name (after the last '/') cut at its last '.', plus ".pdf":
// "/docs/report.final.docx" gives "report.final.pdf", "/v.1/memo.docx" gives "memo.pdf".
// A name without a dot keeps all of it.
QString outputFileName(const QString& sourcePath);

// The folder with exactly one trailing '/' ("/out" and "/out/" name the same folder).
// An empty folder stays empty (the current directory).
QString withTrailingSeparator(const QString& folder);

// destinationFolder joined with outputFileName(sourcePath).
QString outputFilePath(const QString& destinationFolder, const QString& sourcePath);

} // namespace ostrel
