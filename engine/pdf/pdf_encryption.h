// The encryption Ghostscript cannot write: AES-256 (R6), done in this process by qpdf on
// the PDF Ghostscript wrote unencrypted, so that no password leaves the process.
#pragma once

#include "conversion_options.h"

#include <functional>
#include <stdexcept>

namespace ostrel {

// Thrown when keepGoing answered false while encrypting.
class EncryptionStopped : public std::runtime_error {
public:
    EncryptionStopped() : std::runtime_error("the encryption was stopped") {}
};

// Writes the PDF of `plainDescriptor` (read from its start) to the open, empty file
// `encryptedDescriptor`, encrypted at the options' level: the user password when switched
// on, effectiveOwnerPassword(), and the permissions of permissionValue(). Everything else
// stays as it was (objects, streams, version unless the encryption needs a later one).
// keepGoing, when given, is asked as the writing goes on. Throws EncryptionStopped, or
// std::runtime_error (one-line reason) when the PDF cannot be read or written.
void encryptPdf(int plainDescriptor, int encryptedDescriptor, const ConversionOptions& options,
                const std::function<bool()>& keepGoing = {});

} // namespace ostrel
