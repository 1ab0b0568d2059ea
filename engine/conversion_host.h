// What a program that runs conversions offers the engine: the desktop program, the
// add-in and the command-line converter each implement this once. The engine calls it
// from the converting thread; an implementation that owns windows forwards to its
// user-interface thread and blocks until the answer is there.
#pragma once

#include <QString>

#include <optional>

namespace ostrel {

// The answer to the password prompt: the text typed (possibly empty), or none, and then
// why not when the host knows more than that the user cancelled.
struct PasswordAnswer {
    std::optional<QString> password;
    QString refusal;
};

class ConversionHost {
public:
    virtual ~ConversionHost() = default;

    // A message with an OK button and the exclamation icon; returns once dismissed.
    virtual void showMessage(const QString& text) = 0;

    // A question with Yes and No buttons under the caption "Ostrel Word To PDF 3.0";
    // true only for Yes.
    virtual bool askYesNo(const QString& question) = 0;

    // The password prompt for the document shown by its file name.
    virtual PasswordAnswer askDocumentPassword(const QString& fileName) = 0;

    // The progress indicator's three values, then a repaint.
    virtual void setProgress(int position, int range, int fillVisible) = 0;

    // The output name (without folder) of a converted document, for convertedFiles.
    virtual void addConvertedFile(const QString& outputName) = 0;

    // Between these two calls the host answers every pending "Microsoft Office Word"
    // prompt with Yes, polling every 200 ms.
    virtual void startPromptAnswerer() = 0;
    virtual void stopPromptAnswerer() = 0;

    // Asked between the steps of a conversion. A host whose user can pause a run blocks
    // here while it is paused, and answers false once the run is abandoned: the engine
    // then quits Word, ends Ghostscript and returns without converting.
    virtual bool proceed() { return true; }
};

} // namespace ostrel
