// The Ghostscript job: turns one spool file (the printer's PDF, or a PostScript file)
// into the PDF with the user's options.
//
// Typical use (one document):
//     SpoolLock lock(SpoolFolder::locate());          // one job at a time on the machine
//     ... print the document to lock.folder().spoolFile() ...
//     const QString pdf = outputFilePath(options.destinationFolder, sourcePath);
//     JobResult result = runGhostscriptJob(options, {spoolFile, pdf}, lock);
//     if (!result.ok) report(result.reason);
#pragma once

#include "conversion_options.h"
#include "pending_pdf.h"
#include "stage_times.h"
#include "system/spool_folder.h"

#include <QString>

#include <functional>

namespace ostrel {

// The outcome of a job: ok, or a one-line reason for the user.
struct JobResult {
    bool ok = false;
    QString reason;
    StageTimes stages; // as far as the job came

    static JobResult success() { return {true, {}, {}}; }
    static JobResult failure(QString why) { return {false, std::move(why), {}}; }
};

struct GhostscriptJobFiles {
    QString postScriptFile; // the spool file (PDF), or a PostScript file of the user's
    QString outputFile;     // the PDF to write (outputFilePath()); relative to our folder
    ExistingPdf existing = ExistingPdf::Replace; // a file at outputFile when the PDF is done
};

// Writes the side file (the pdfmarks) as a file without a name in the locked spool
// folder and runs Ghostscript on it and the PostScript file, blocking until Ghostscript
// ends. The switches reach Ghostscript through a pipe; the files through descriptors,
// which SAFER lets it read or write and nothing else, with a private temporary folder
// (GhostscriptSandbox). Ghostscript dies with the calling thread and is ended past
// ghostscriptTimeLimit() (the job fails with a line of its own).
// A long unencrypted PDF is written by one Ghostscript per processor, a range of pages
// each, into part files of the spool folder that qpdf joins (pdf_parts.h); when a part
// or the join fails, by one Ghostscript.
// Ghostscript writes a private temporary file beside the PDF, which takes the PDF's name
// only when Ghostscript reported no error and qpdf reads it as whole (pages, encryption
// as asked). At a level Ghostscript cannot encrypt (AES-256) it writes the PDF
// unencrypted into a file without a name in the spool folder, and qpdf encrypts that
// into the temporary file (pdf_encryption.h). Fails (with the reason) when the side file
// cannot be written, Ghostscript cannot be started, reports an error, or leaves no whole
// PDF; the destination is then as it was. An existing PDF is replaced as files.existing
// says: settle that with the user first.
// keepGoing, when given, is asked while Ghostscript runs and while the PDF is encrypted;
// once it answers false the process or the encryption is ended and the job fails
// without a PDF.
JobResult runGhostscriptJob(const ConversionOptions& options, const GhostscriptJobFiles& files,
                            const SpoolLock& lock, const std::function<bool()>& keepGoing = {});

} // namespace ostrel
