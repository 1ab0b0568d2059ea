// The requests of later starts, and of the program's own command line, listed one after
// the other: one message names the refused documents, and requests that arrive while it is
// open wait for it to close and share the next one. A flood of starts never stacks boxes.
#pragma once

#include "document_handoff.h"

#include <deque>

namespace ostrel {

class CConvertDlg;

class HandoverQueue {
public:
    explicit HandoverQueue(CConvertDlg& page) : page_(page) {}
    HandoverQueue(const HandoverQueue&) = delete;
    HandoverQueue& operator=(const HandoverQueue&) = delete;

    // Lists the request now, or after the message that is open.
    void add(DocumentRequest request);

    // The refusal message for these lines: the first ones, then how many more.
    static QString refusalMessage(const QStringList& refused);

private:
    CConvertDlg& page_;
    std::deque<DocumentRequest> waiting_;
    qsizetype waitingDocuments_ = 0;
    bool listing_ = false;
};

} // namespace ostrel
