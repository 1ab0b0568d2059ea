// Word reached late-bound through IDispatch, each member by its dispatch id, with the
// argument encoding Word's automation expects: every argument by reference as a variant;
// true -1 and false 0 as 16-bit integers, numbers as 32-bit integers, texts as strings,
// an omitted argument as the error value DISP_E_PARAMNOTFOUND; the two property puts
// take a boolean and a string. Each object holds its one reference and releases it when
// it goes; every call answers the HRESULT of Invoke.
#pragma once

#include "com/com.h"
#include "com/comptr.h"
#include "contract/word.h"

#include <QString>

#include <optional>

namespace ostrel::word {

using DispatchRef = com::ComPtr<IDispatch>;

class Document {
public:
    Document() = default;
    explicit Document(DispatchRef object) : object_(std::move(object)) {}

    // PrintOut, eighteen arguments: the whole document, in the background, to the file.
    HRESULT printOut(const QString& outputFile);
    // Close without saving (false, false, false).
    HRESULT close();
    void release() { object_.reset(); }

private:
    DispatchRef object_;
};

class Documents {
public:
    Documents() = default;
    explicit Documents(DispatchRef object) : object_(std::move(object)) {}

    // Open, twelve arguments, read-only. Without a password the PasswordDocument
    // argument is omitted.
    HRESULT open(const QString& fileName, const std::optional<QString>& password, Document& opened);
    void release() { object_.reset(); }

private:
    DispatchRef object_;
};

class Application {
public:
    // A new instance of whatever "Word.Application" names in the registry.
    static HRESULT create(Application& created);

    HRESULT setVisible(bool visible);
    HRESULT setActivePrinter(const QString& name);
    HRESULT documents(Documents& collection);
    HRESULT backgroundPrintingStatus(LONG& pendingJobs);
    // Quit without saving (false, false, false).
    HRESULT quit();
    void release() { object_.reset(); }

private:
    DispatchRef object_;
};

} // namespace ostrel::word
