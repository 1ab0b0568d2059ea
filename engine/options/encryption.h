// What each encryption level writes. Ghostscript writes the RC4 levels itself; it cannot
// write AES, so for AES-256 it writes the PDF unencrypted and qpdf encrypts it
// (pdf_encryption.h).
#pragma once

#include "conversion_options.h"

namespace ostrel {

struct Encryption {
    int revision;  // the PDF's R
    int algorithm; // the PDF's V
    int keyBits;
    const char* leastVersion; // the PDF version it came with; null: any version has it
    int passwordBytes;        // the longest password it takes (UTF-8 bytes)
    bool byGhostscript;
};

// The level's encryption; none for no level.
inline const Encryption* encryptionOf(std::optional<EncryptionLevel> level) {
    static constexpr Encryption kLevels[] = {{2, 1, 40, nullptr, 32, true},   // Rc4_40
                                             {3, 2, 128, "1.4", 32, true},    // Rc4_128
                                             {6, 5, 256, "1.7", 127, false}}; // Aes256
    return level ? &kLevels[static_cast<int>(*level)] : nullptr;
}

} // namespace ostrel
