// What the user's options tell Ghostscript: the side file "pdfmarks" (document
// information and distiller parameters) and the switches (compatibility level,
// passwords, encryption, permissions, output file).
#pragma once

#include "conversion_options.h"
#include "page_range.h"
#include "security_rules.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace ostrel {

// The side file: the DOCINFO pdfmark (only the non-empty texts; nothing when all four
// are empty), four line feeds, then the distiller parameters for page compression,
// image filters and the JPEG dictionaries, ending in "setdistillerparams". Description
// texts are written as postScriptString() gives them, so the file is plain ASCII.
QByteArray sideFileText(const ConversionOptions& options);

// The level Ghostscript is asked for: the chosen version's, none without one. An
// encrypted document is written as at least the version its encryption came with
// (Encryption::leastVersion): 128-bit RC4 as 1.4, AES-256 as 1.7.
QString effectiveCompatibilityLevel(const ConversionOptions& options);

// True when the PDF is to be encrypted at a level Ghostscript cannot write (AES-256):
// Ghostscript then writes it unencrypted, and it is encrypted afterwards.
bool encryptsAfterGhostscript(const ConversionOptions& options);

// The switches and files the job passes to Ghostscript, one argument each, unquoted.
// SAFER allows reading exactly the spool file and the side file and writing exactly the
// output; their names must hold no ':' (the separator of the allowed names).
// outputFile must be absolute; '%' in it is doubled (Ghostscript reads "%d" as a page
// number). Encryption switches only for a level that Ghostscript
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
