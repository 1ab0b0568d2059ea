// The convert page's file list: takes documents dropped from the file manager, keeps out
// other types and documents already listed, and tells its owner when documents were added.
#pragma once

#include <QEvent>
#include <QListWidget>
#include <QPointer>
#include <QStringList>
#include <QUrl>

namespace ostrel {

class MessageBoxes;

// Posted (queued) to the list's notifyWindow after a drop that added at least one document.
inline constexpr QEvent::Type WM_FILESDROPPED = static_cast<QEvent::Type>(QEvent::User + 101);

// Adds text at its sorted place, comparing without regard to case as sorted system lists do.
int addStringSorted(QListWidget& list, const QString& text);

class CListBoxEx : public QListWidget {
    Q_OBJECT
public:
    explicit CListBoxEx(QWidget* parent = nullptr);

    QStringList extensions;         // accepted extensions, lower case, without the dot
    int busy = 0;                   // 1 while a conversion run is in progress
    QPointer<QObject> notifyWindow; // receives WM_FILESDROPPED
    MessageBoxes* messageBoxes;     // the boxes this list shows

    // Adds at the sorted place; answers the row.
    int AddString(const QString& text);
    // Inserts at row index (-1: at the end), without sorting.
    int InsertString(int index, const QString& text);
    // True when an entry equals path without regard to case.
    bool isListed(const QString& path) const;
    // Whether the lower-cased text after the path's last "." is one of extensions.
    bool acceptsType(const QString& path) const;
    // The acceptance test shared by drops and the file dialog: acceptsType, and the path
    // is not listed yet.
    bool accepts(const QString& path) const;
    // Shows the refusal of one document (not accepted, or listed already).
    void refuseDocument();
    // What a drop of these files does: refused during a run; each accepted document
    // appended, each other one refused; anything not a local file with a "." in its name,
    // or a folder, ends it.
    void dropUrls(const QList<QUrl>& urls);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

} // namespace ostrel
