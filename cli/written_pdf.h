// What a conversion wrote, for the machine-readable results: the PDF's pages and size.
#pragma once

#include "conversion_options.h"

#include <QString>

namespace ostrel::cli {

struct WrittenPdf {
    int pages = 0;
    qint64 bytes = 0;
};

// Reads the PDF at `path` as the options wrote it (opened with the user password when
// it has one); zeros for what cannot be read.
WrittenPdf writtenPdf(const QString& path, const ConversionOptions& options);

} // namespace ostrel::cli
