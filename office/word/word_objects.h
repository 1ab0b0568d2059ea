// The automation objects of "Word.Application": the application, its Documents
// collection and an open document, each reached through IDispatch by Word's dispatch
// ids. They share one office taken from the pool; the application gives it back on Quit
// or when the application object goes away, and from then on every call fails as on a
// Word instance that has quit. Office failures reach the caller as automation
// exceptions (DISP_E_EXCEPTION with a description).
#pragma once

#include "com/dispatch_server.h"
#include "com/object.h"
#include "contract/word.h"
#include "word/office_session.h"

#include <memory>
#include <mutex>
#include <string>

namespace ostrel::word {

// This library's live objects and locks, for DllCanUnloadNow.
com::ModuleCount& wordModule();

// One application's hold on an office of the pool.
class OfficeLease {
public:
    OfficeLease();
    ~OfficeLease() { end(); }
    OfficeLease(const OfficeLease&) = delete;
    OfficeLease& operator=(const OfficeLease&) = delete;

    // The office; throws OfficeError once the lease has ended.
    OfficeSession& session();
    // Gives the office back to the pool. Idempotent.
    void end();

private:
    std::mutex mutex_;
    std::unique_ptr<OfficeSession> office_;
};

// What the objects of one application share.
struct WordState {
    OfficeLease office;
    std::mutex mutex;
    std::u16string activePrinter;
};

class WordApplication final : public com::DispatchObject<IDispatch> {
public:
    // Starts the office; throws OfficeError when it cannot.
    WordApplication();

protected:
    ~WordApplication() override;
    HRESULT invoke(com::DispatchCall& call) override;
    std::optional<DISPID> dispatchIdOf(const QString& name) override;

private:
    com::ModuleLock lock_{wordModule()};
    std::shared_ptr<WordState> state_;
};

class WordDocuments final : public com::DispatchObject<IDispatch> {
public:
    explicit WordDocuments(std::shared_ptr<WordState> state) : state_(std::move(state)) {}

protected:
    HRESULT invoke(com::DispatchCall& call) override;
    std::optional<DISPID> dispatchIdOf(const QString& name) override;

private:
    com::ModuleLock lock_{wordModule()};
    std::shared_ptr<WordState> state_;
};

class WordDocument final : public com::DispatchObject<IDispatch> {
public:
    WordDocument(std::shared_ptr<WordState> state, OfficeSession::Document document,
                 std::u16string fullName)
        : state_(std::move(state)), document_(std::move(document)), fullName_(std::move(fullName)) {
    }

protected:
    HRESULT invoke(com::DispatchCall& call) override;
    std::optional<DISPID> dispatchIdOf(const QString& name) override;

private:
    HRESULT printOut(com::DispatchCall& call);

    com::ModuleLock lock_{wordModule()};
    std::shared_ptr<WordState> state_;
    OfficeSession::Document document_;
    std::u16string fullName_;
    bool closed_ = false;
};

} // namespace ostrel::word
