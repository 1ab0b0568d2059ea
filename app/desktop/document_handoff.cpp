#include "document_handoff.h"

#include "single_instance.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <memory>

namespace ostrel {

namespace {

constexpr char kAcknowledgement = '\x06';
// Connections read at once; more are closed at once (their starts try again).
constexpr int kMostConnections = 32;
// A start that sends nothing, or too slowly, is not waited for longer.
constexpr std::chrono::seconds kSenderPatience{10};

} // namespace

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
        if (connections_ >= kMostConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++connections_;
        // Never more than a request's bound is taken from the system at once.
        socket->setReadBufferSize(kLargestRequest);
        connect(socket, &QObject::destroyed, this, [this] { --connections_; });
        const auto drop = [socket] {
            socket->abort();
            socket->deleteLater();
        };
        QTimer::singleShot(kSenderPatience, socket, drop);
        // What arrived so far, and whether the request was taken (later bytes are not read).
        struct Reading {
            QByteArray arrived;
            bool taken = false;
        };
        auto reading = std::make_shared<Reading>();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, reading, drop] {
            if (reading->taken) {
                return;
            }
            reading->arrived.append(socket->readAll());
            DocumentRequest request;
            switch (readRequest(reading->arrived, request)) {
            case RequestReading::Incomplete:
                return;
            case RequestReading::Invalid:
                drop();
                return;
            case RequestReading::Complete:
                break;
            }
            reading->taken = true;
            reading->arrived.clear();
            socket->write(&kAcknowledgement, 1);
            socket->flush();
            socket->disconnectFromServer();
            // Outside the socket's handler: the list may show a message box.
            QMetaObject::invokeMethod(
                this, [this, request] { emit received(request); }, Qt::QueuedConnection);
        });
    }
}

bool handDocumentsOver(const QString& name, const DocumentRequest& request,
                       std::chrono::milliseconds patience) {
    const QDeadlineTimer deadline(patience);
    const QByteArray bytes = encodeRequest(request);
    // The running program may hold the lock a moment before it listens, or be reading
    // as many requests as it reads at once: then it is asked again.
    for (;; QThread::msleep(100)) {
        if (deadline.hasExpired()) {
            return false;
        }
        QLocalSocket socket;
        socket.connectToServer(DocumentReceiver::socketPath(name));
        if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
            continue;
        }
        socket.write(bytes);
        while (socket.bytesToWrite() > 0 &&
               socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
        }
        while (socket.bytesAvailable() == 0 &&
               socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
        }
        char answer = 0;
        if (socket.read(&answer, 1) == 1) {
            return answer == kAcknowledgement;
        }
    }
}

} // namespace ostrel
