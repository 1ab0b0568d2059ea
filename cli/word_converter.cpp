#include "word_converter.h"

#include "file_name_bytes.h"
#include "system/spool_folder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>

namespace ostrel::cli {

WordDocumentConverter::WordDocumentConverter(PasswordSource passwords, std::mutex* officeTurn)
    : host_(std::move(passwords)), converter_(host_) {
    converter_.shareOffice(officeTurn);
}

void WordDocumentConverter::setProgressLine(ProgressLine* line) {
    host_.setProgressLine(line);
}

bool WordDocumentConverter::accepts(const QString& sourcePath) const {
    return isAcceptedDocument(sourcePath);
}

Outcome WordDocumentConverter::convert(const QString& sourcePath, const QString&,
                                       const ConversionOptions& options, ExistingPdf existing) {
    host_.beginDocument();
    // The office reads names as UTF-8 only: a name with other bytes reaches it as a link
    // named "document" with the same extension.
    std::optional<DocumentLink> link;
    if (holdsForeignBytes(sourcePath)) {
        try {
            link.emplace(sourcePath);
        } catch (const std::exception& error) {
            return {Outcome::Failed, QString::fromLocal8Bit(error.what()), {}};
        }
        converter_.openAs(link->path());
    }
    Outcome outcome = converter_.convertDocument(sourcePath, options, existing);
    converter_.openAs({});
    return outcome;
}

DocumentLink::DocumentLink(const QString& document) {
    std::string pattern = (SpoolFolder::locate().path() / "name-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a folder in the spool folder: " +
                                 std::string(std::strerror(errno)));
    }
    folder_ = pattern;
    const auto dot = document.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : document.mid(dot);
    const std::filesystem::path link =
        folder_ / ("document" + (holdsForeignBytes(extension) || extension.contains(u'/')
                                     ? std::string()
                                     : extension.toStdString()));
    std::error_code error;
    std::filesystem::create_symlink(
        std::filesystem::absolute(fileNameBytes(document).toStdString()), link, error);
    if (error) {
        throw std::runtime_error("cannot link the document: " + error.message());
    }
    path_ = QString::fromStdString(link.string());
}

DocumentLink::~DocumentLink() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

} // namespace ostrel::cli
