#include "pdf_encryption.h"

#include "pending_pdf.h"
#include "security_rules.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace ostrel {
namespace {

struct StreamCloser {
    void operator()(FILE* stream) const { std::fclose(stream); }
};
using Stream = std::unique_ptr<FILE, StreamCloser>;

Stream streamOn(int descriptor, const char* mode, const char* what) {
    Stream stream(duplicateStream(descriptor, mode));
    if (!stream) {
        throw std::runtime_error(std::string("cannot open ") + what + ": " + std::strerror(errno));
    }
    return stream;
}

// Whether the permission word grants PDF permission bit `bit` (counted from 1).
bool grants(std::int32_t permissions, int bit) {
    return (permissions & (1 << (bit - 1))) != 0;
}

} // namespace

void encryptPdf(int plainDescriptor, int encryptedDescriptor, const ConversionOptions& options,
                const std::function<bool()>& keepGoing) {
    const Stream plain = streamOn(plainDescriptor, "rb", "the unencrypted PDF");
    const Stream encrypted = streamOn(encryptedDescriptor, "wb", "the encrypted PDF");
    std::rewind(plain.get());
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.setAttemptRecovery(false); // a damaged PDF fails here, not later
    pdf.processFile("the unencrypted PDF", plain.get(), false);

    QPDFWriter writer(pdf);
    writer.setOutputFile("the encrypted PDF", encrypted.get(), false);
    // Streams stay as Ghostscript wrote them, compressed or not.
    writer.setCompressStreams(false);
    writer.setDecodeLevel(qpdf_dl_none);
    const std::string user =
        options.userPasswordEnabled ? options.userPassword.toStdString() : std::string();
    const std::string owner = effectiveOwnerPassword(options).toStdString();
    // The bits of the 128-bit permission word, which R6 shares.
    const std::int32_t p = permissionValue(options);
    writer.setR6EncryptionParameters(user.c_str(), owner.c_str(), grants(p, 10), grants(p, 5),
                                     grants(p, 11), grants(p, 6), grants(p, 9), grants(p, 4),
                                     grants(p, 12)  ? qpdf_r3p_full
                                     : grants(p, 3) ? qpdf_r3p_low
                                                    : qpdf_r3p_none,
                                     true);
    if (keepGoing) {
        writer.registerProgressReporter(
            std::make_shared<QPDFWriter::FunctionProgressReporter>([&keepGoing](int) {
                if (!keepGoing()) {
                    throw EncryptionStopped();
                }
            }));
    }
    writer.write();
    if (std::fflush(encrypted.get()) != 0) {
        throw std::runtime_error(std::string("cannot write the encrypted PDF: ") +
                                 std::strerror(errno));
    }
}

} // namespace ostrel
