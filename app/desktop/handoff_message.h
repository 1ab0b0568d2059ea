// The message a later start of the program sends the running one: the documents it was
// given. It arrives on a socket, so it is read as untrusted bytes, and its size is bounded.
#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QUrl>

namespace ostrel {

// What a start asks of the list.
struct DocumentRequest {
    QList<QUrl> documents; // local files, absolute
    bool convert = false;  // convert them at once into their folder
    // Documents named but left out of the request: more than kMostDocumentsPerRequest, or
    // more bytes than kLargestRequest.
    quint32 leftOut = 0;
};

// The most documents one request lists; the rest are refused with a message.
inline constexpr qsizetype kMostDocumentsPerRequest = 1000;
// A request larger than this (in bytes, as sent) is not read at all.
inline constexpr qsizetype kLargestRequest = 4 * 1024 * 1024;

// The program's arguments (without its name): "--convert", then paths or file URLs. A
// relative path is taken from the working folder.
DocumentRequest readCommandLine(const QStringList& arguments);

// A request as sent: a mark, the length of the rest, then the request. Documents beyond
// the bounds are counted in leftOut instead of sent.
QByteArray encodeRequest(const DocumentRequest& request);

// Reading what arrived so far: Incomplete until the length given has arrived; Invalid for
// anything that is not a request of ours within the bounds.
enum class RequestReading { Incomplete, Invalid, Complete };
RequestReading readRequest(const QByteArray& bytes, DocumentRequest& request);

} // namespace ostrel
