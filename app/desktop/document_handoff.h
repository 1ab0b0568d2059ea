// Documents named when the program starts: read from its command line, and handed to the
// program that runs already (one per user) through a local socket beside its lock. The
// socket is the user's alone, like the runtime folder that holds it.
#pragma once

#include <QList>
#include <QLocalServer>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <chrono>

namespace ostrel {

// What a start asks of the list.
struct DocumentRequest {
    QList<QUrl> documents; // local files, absolute
    bool convert = false;  // convert them at once into their folder
};

// The program's arguments (without its name): "--convert", then paths or file URLs. A
// relative path is taken from the working folder.
DocumentRequest readCommandLine(const QStringList& arguments);

// The running program's side: listens on the socket named after the lock `name`.
class DocumentReceiver : public QObject {
    Q_OBJECT
public:
    explicit DocumentReceiver(const QString& name, QObject* parent = nullptr);
    bool listening() const { return server_.isListening(); }
    static QString socketPath(const QString& name);

signals:
    void received(const QList<QUrl>& documents, bool convert);

private:
    void accept();

    QLocalServer server_;
};

// A second start's side: true once the running program has taken the request; false when
// no program listened within `patience`.
bool handDocumentsOver(const QString& name, const DocumentRequest& request,
                       std::chrono::milliseconds patience);

} // namespace ostrel
