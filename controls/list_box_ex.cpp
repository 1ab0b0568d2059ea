#include "list_box_ex.h"

#include "dialog_template.h"
#include "message_boxes.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QFileInfo>
#include <QLocale>
#include <QMimeData>

namespace ostrel {

int addStringSorted(QListWidget& list, const QString& text) {
    const int row = sortedInsertRow(
        list.count(), [&](int at) { return list.item(at)->text(); }, text);
    list.insertItem(row, text);
    return row;
}

CListBoxEx::CListBoxEx(QWidget* parent)
    : QListWidget(parent), messageBoxes(&MessageBoxes::standard()) {
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

int CListBoxEx::AddString(const QString& text) {
    return addStringSorted(*this, text);
}

int CListBoxEx::InsertString(int index, const QString& text) {
    const int row = index < 0 || index > count() ? count() : index;
    insertItem(row, text);
    return row;
}

bool CListBoxEx::isListed(const QString& path) const {
    for (int row = 0; row < count(); ++row) {
        if (QString::compare(item(row)->text(), path, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

bool CListBoxEx::acceptsType(const QString& path) const {
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && extensions.contains(QLocale().toLower(path.mid(dot + 1)), Qt::CaseSensitive);
}

bool CListBoxEx::accepts(const QString& path) const {
    return acceptsType(path) && !isListed(path);
}

void CListBoxEx::refuseDocument() {
    messageBoxes->show(this, QMessageBox::Information, QStringLiteral("Warning"),
                       QStringLiteral("Convert Word File existing."), QMessageBox::Ok);
}

void CListBoxEx::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void CListBoxEx::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void CListBoxEx::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    dropUrls(event->mimeData()->urls());
}

void CListBoxEx::dropUrls(const QList<QUrl>& urls) {
    if (busy != 0) {
        messageBoxes->refuse(this, QStringLiteral("Working now,Hold for a moment!"));
        return;
    }
    int insertAt = count();
    bool added = false;
    for (const QUrl& url : urls) {
        // Only local files can be documents; anything else ends the drop like a folder.
        if (!url.isLocalFile()) {
            break;
        }
        const QString path = url.toLocalFile();
        if (QFileInfo(path).isDir() || !path.contains(QLatin1Char('.'))) {
            break;
        }
        if (accepts(path)) {
            InsertString(insertAt, path);
            ++insertAt;
            added = true;
        } else {
            refuseDocument();
        }
    }
    if (added && notifyWindow) {
        QCoreApplication::postEvent(notifyWindow, new QEvent(WM_FILESDROPPED));
    }
}

} // namespace ostrel
