#include "handoff_message.h"

#include <QDataStream>
#include <QDir>

#include <algorithm>
#include <limits>

namespace ostrel {

namespace {

// Sent first, so that nothing else that finds the socket is taken for a request.
constexpr quint32 kRequestMagic = 0x4f575044; // "OWPD"
// The mark and the length of the rest.
constexpr qsizetype kHeaderSize = 8;

quint32 addLeftOut(quint32 count, quint64 more) {
    return static_cast<quint32>(
        std::min<quint64>(count + more, std::numeric_limits<quint32>::max()));
}

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

QByteArray encodeRequest(const DocumentRequest& request) {
    // Each document is encoded on its own, so that the request stops short of the bounds.
    QByteArray documents;
    QDataStream list(&documents, QIODevice::WriteOnly);
    list.setVersion(QDataStream::Qt_6_0);
    quint32 sent = 0;
    const qsizetype room = kLargestRequest - kHeaderSize - 64;
    for (const QUrl& document : request.documents) {
        const qsizetype before = documents.size();
        list << document;
        if (sent == kMostDocumentsPerRequest || documents.size() > room) {
            documents.truncate(before);
            break;
        }
        ++sent;
    }
    const auto leftOut =
        addLeftOut(request.leftOut, static_cast<quint64>(request.documents.size()) - sent);

    QByteArray body;
    QDataStream stream(&body, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_6_0);
    stream << request.convert << sent;
    stream.writeRawData(documents.constData(), static_cast<int>(documents.size()));
    stream << leftOut;

    QByteArray bytes;
    QDataStream header(&bytes, QIODevice::WriteOnly);
    header << kRequestMagic << static_cast<quint32>(body.size());
    return bytes + body;
}

RequestReading readRequest(const QByteArray& bytes, DocumentRequest& request) {
    if (bytes.size() < kHeaderSize) {
        return RequestReading::Incomplete;
    }
    QDataStream header(bytes.left(kHeaderSize));
    quint32 magic = 0;
    quint32 length = 0;
    header >> magic >> length;
    if (magic != kRequestMagic || length > kLargestRequest - kHeaderSize) {
        return RequestReading::Invalid;
    }
    if (bytes.size() < kHeaderSize + length) {
        return RequestReading::Incomplete;
    }
    if (bytes.size() > kHeaderSize + length) {
        return RequestReading::Invalid; // one request per connection
    }
    // The count is read as a number, never used to reserve: each document must arrive.
    QDataStream stream(bytes.sliced(kHeaderSize));
    stream.setVersion(QDataStream::Qt_6_0);
    DocumentRequest read;
    quint32 count = 0;
    stream >> read.convert >> count;
    quint64 beyond = 0;
    for (quint32 i = 0; i < count && stream.status() == QDataStream::Ok; ++i) {
        QUrl document;
        stream >> document;
        if (read.documents.size() < kMostDocumentsPerRequest) {
            read.documents << document;
        } else {
            ++beyond;
        }
    }
    quint32 leftOut = 0;
    stream >> leftOut;
    if (stream.status() != QDataStream::Ok || !stream.atEnd()) {
        return RequestReading::Invalid;
    }
    read.leftOut = addLeftOut(leftOut, beyond);
    request = std::move(read);
    return RequestReading::Complete;
}

} // namespace ostrel
