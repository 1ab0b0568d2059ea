// Documents named when the program starts: read from its command line, and handed to the
// program that runs already (one per user) through a local socket beside its lock. The
// socket is the user's alone, like the runtime folder that holds it.
#pragma once

#include "handoff_message.h"

#include <QLocalServer>
#include <QObject>

#include <chrono>

namespace ostrel {

// The running program's side: listens on the socket named after the lock `name`.
class DocumentReceiver : public QObject {
    Q_OBJECT
public:
    explicit DocumentReceiver(const QString& name, QObject* parent = nullptr);
    bool listening() const { return server_.isListening(); }
    static QString socketPath(const QString& name);

signals:
    void received(const DocumentRequest& request);

private:
    void accept();

    QLocalServer server_;
    int connections_ = 0;
};

// A second start's side: true once the running program has taken the request; false when
// no program took it within `patience`.
bool handDocumentsOver(const QString& name, const DocumentRequest& request,
                       std::chrono::milliseconds patience);

} // namespace ostrel
