#include "written_pdf.h"

#include "file_name_bytes.h"
#include "pdf_check.h"

#include <sys/stat.h>

namespace ostrel::cli {

WrittenPdf writtenPdf(const QString& path, const ConversionOptions& options) {
    WrittenPdf written;
    const QByteArray name = fileNameBytes(path);
    struct stat info {};
    if (::stat(name.constData(), &info) != 0) {
        return written;
    }
    written.bytes = info.st_size;
    // Without a user password the user's part of the key is empty: "" opens it.
    const std::string password = options.securityEnabled && options.userPasswordEnabled
                                     ? options.userPassword.toStdString()
                                     : std::string();
    // The conversion checked the PDF already; one that changed since has no pages here.
    written.pages = pdfPageCount(name.constData(), password).value_or(0);
    return written;
}

} // namespace ostrel::cli
