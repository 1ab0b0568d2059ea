// Holds the "Word.Application" server for a run of documents: its class object is kept
// and locked (LockServer), which lets the server start an office ahead of time and keep
// it between documents. Every document still gets an application object of its own
// and quits it; the office is ended when the last hold goes. Without a server nothing
// is held, and each document starts its own office as before.
#pragma once

#include "com/com.h"
#include "com/comptr.h"

namespace ostrel::word {

class ServerHold {
public:
    // Registers the server when needed; callable from any thread.
    ServerHold();
    ~ServerHold();
    ServerHold(const ServerHold&) = delete;
    ServerHold& operator=(const ServerHold&) = delete;

    bool held() const { return static_cast<bool>(factory_); }

private:
    com::ComPtr<IClassFactory> factory_;
};

} // namespace ostrel::word
