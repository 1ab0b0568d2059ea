#include "document_handoff.h"

#include "single_instance.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QThread>

namespace ostrel {

namespace {

// Sent first, so that nothing else that finds the socket is taken for a request.
constexpr quint32 kRequestMagic = 0x4f575044; // "OWPD"
// A request larger than this is not ours.
constexpr qint64 kLargestRequest = 4 * 1024 * 1024;
constexpr char kAcknowledgement = '\x06';

} // namespace

DocumentRequest readCommandLine(const QStringList& arguments) {
    DocumentRequest request;
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--convert")) {
            request.convert = true;
        } else if (argument.startsWith(QLatin1String("file:"))) {
            request.documents << QUrl(argument);
        } else {
            request.documents << QUrl::fromLocalFile(QDir::current().absoluteFilePath(argument));
        }
    }
    return request;
}

QString DocumentReceiver::socketPath(const QString& name) {
    return SingleInstance::lockPath(name) + QStringLiteral(".socket");
}

DocumentReceiver::DocumentReceiver(const QString& name, QObject* parent) : QObject(parent) {
    // Only the holder of the lock gets here: a socket that is still there is a leftover.
    QLocalServer::removeServer(socketPath(name));
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(socketPath(name));
    connect(&server_, &QLocalServer::newConnection, this, &DocumentReceiver::accept);
}

void DocumentReceiver::accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->bytesAvailable() > kLargestRequest) {
                socket->abort();
                return;
            }
            QDataStream stream(socket);
            stream.setVersion(QDataStream::Qt_6_0);
            stream.startTransaction();
            quint32 magic = 0;
            bool convert = false;
            QList<QUrl> documents;
            stream >> magic >> convert >> documents;
            if (!stream.commitTransaction()) {
                return; // more to come
            }
            if (magic != kRequestMagic) {
                socket->abort();
                return;
            }
            socket->write(&kAcknowledgement, 1);
            socket->flush();
            // Outside the socket's handler: the list may show a message box.
            QMetaObject::invokeMethod(
                this, [this, documents, convert] { emit received(documents, convert); },
                Qt::QueuedConnection);
        });
    }
}

bool handDocumentsOver(const QString& name, const DocumentRequest& request,
                       std::chrono::milliseconds patience) {
    const QDeadlineTimer deadline(patience);
    QLocalSocket socket;
    // The running program may hold the lock a moment before it listens.
    for (;;) {
        socket.connectToServer(DocumentReceiver::socketPath(name));
        if (socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
            break;
        }
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(100);
    }
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_6_0);
    stream << kRequestMagic << request.convert << request.documents;
    socket.write(bytes);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
            return false;
        }
    }
    char answer = 0;
    while (socket.bytesAvailable() == 0) {
        if (!socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            return false;
        }
    }
    return socket.read(&answer, 1) == 1 && answer == kAcknowledgement;
}

} // namespace ostrel
