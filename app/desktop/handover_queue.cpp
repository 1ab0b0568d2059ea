#include "handover_queue.h"

#include "convert_dlg.h"
#include "message_boxes.h"
#include "product.h"

namespace ostrel {

namespace {

// Requests that wait hold at most this many documents; beyond, they are only counted.
constexpr qsizetype kMostWaitingDocuments = 10 * kMostDocumentsPerRequest;
// Lines a message names; a box taller than the screen has no OK button to press.
constexpr qsizetype kMostLinesShown = 20;

} // namespace

QString HandoverQueue::refusalMessage(const QStringList& refused) {
    QString text = QStringLiteral("These documents were not listed:");
    for (const QString& line : refused.first(std::min(refused.size(), kMostLinesShown)))
        text += QLatin1Char('\n') + line;
    if (refused.size() > kMostLinesShown)
        text += QStringLiteral("\nand %1 more").arg(refused.size() - kMostLinesShown);
    return text;
}

void HandoverQueue::add(DocumentRequest request) {
    if (waitingDocuments_ + request.documents.size() > kMostWaitingDocuments) {
        request.leftOut += static_cast<quint32>(request.documents.size());
        request.documents.clear();
    }
    waitingDocuments_ += request.documents.size();
    waiting_.push_back(std::move(request));
    // A request that comes while a message is open is taken by the loop below.
    if (listing_)
        return;
    listing_ = true;
    while (!waiting_.empty()) {
        QStringList refused;
        while (!waiting_.empty()) {
            const DocumentRequest next = std::move(waiting_.front());
            waiting_.pop_front();
            waitingDocuments_ -= next.documents.size();
            refused += page_.listDocuments(next);
        }
        if (!refused.isEmpty())
            page_.messageBoxes->show(&page_, QMessageBox::Warning,
                                     QString::fromUtf8(kProductCaption), refusalMessage(refused),
                                     QMessageBox::Ok);
    }
    listing_ = false;
}

} // namespace ostrel
