// What the user's options tell Ghostscript: the side file "pdfmarks" (document
// information and distiller parameters) and the switches (compatibility level,
// passwords, encryption, permissions, output file).
#pragma once

#include "conversion_options.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace ostrel {

// Pages `first` to `last` of a PDF, counted from 1.
struct PageRange {
    int first = 1;
    int last = 1;
};

// The side file: the DOCINFO pdfmark (only the non-empty texts; nothing when all four
// are empty), four line feeds, then the distiller parameters for page compression,
// image filters and the JPEG dictionaries, ending in "setdistillerparams". Description
// texts are written as postScriptString() gives them, so the file is plain ASCII.
QByteArray sideFileText(const ConversionOptions& options);

// The level Ghostscript is asked for: the chosen version's (kPdfVersions); for another
// text "1.N" when the first digit N of 3, 4 or 5 stands at index 3 (the last such wins),
// else none. An encrypted document is written as at least the version its encryption
// came with (Encryption::leastVersion): 128-bit RC4 as 1.4, AES-256 as 1.7.
QString effectiveCompatibilityLevel(const ConversionOptions& options);

// True when the options ask for an encrypted PDF: security on. An owner password that
// is switched on but left empty does not drop the security: the job then uses a random
// owner password, as when the owner password is switched off.
bool writesSecurity(const ConversionOptions& options);

// Whether the user gave an owner password (switched on and not empty).
bool hasOwnerPassword(const ConversionOptions& options);

// The owner password the PDF is encrypted with: the user's, else a random one nobody
// knows, which keeps the user password and the permissions binding for everyone.
QString effectiveOwnerPassword(const ConversionOptions& options);

// True when the PDF is to be encrypted at a level Ghostscript cannot write (AES-256):
// Ghostscript then writes it unencrypted, and it is encrypted afterwards.
bool encryptsAfterGhostscript(const ConversionOptions& options);

// The PDF permission word allowing exactly the ticked actions. 40-bit (R2): printing
// bit 3, changing bit 4, copying bit 5, form filling bit 6; bits 1-2 zero, 7-32 one.
// 128-bit (R3): printing bits 3 and 12, changing bits 4 and 11, copying bit 5, form
// filling bits 6 and 9, accessibility extraction (bit 10) always; bits 1-2 zero,
// 7-8 and 13-32 one. AES-256 (R6) as 128-bit. Nothing ticked: -64 and -3392;
// everything: -4.
std::int32_t permissionValue(const ConversionOptions& options);

// The switches and files the job passes to Ghostscript, one argument each, unquoted.
// SAFER allows reading exactly the spool file and the side file and writing exactly the
// output; their names must hold no ':' (the separator of the allowed names).
// outputFile must be absolute; '%' in it is doubled (Ghostscript reads "%d" as a page
// number). Encryption switches only for a level of kEncryptionLevels that Ghostscript
// writes (none, not even a password, for one encrypted afterwards). The files come
// last: side file, spool file, side file again, then the outline's pdfmarks when there is
// an `outlineFile`. With `pages`, only those pages of a PDF.
// A PDF is read by Ghostscript's own PDF reader, or with `legacyPdfReader` by its older,
// PostScript-based one.
QStringList ghostscriptArguments(const ConversionOptions& options, const QString& outputFile,
                                 const QString& postScriptFile, const QString& sideFile,
                                 const std::optional<PageRange>& pages = std::nullopt,
                                 bool legacyPdfReader = false, const QString& outlineFile = {});

} // namespace ostrel
