#include "enable_edit.h"

#include <QKeyEvent>

namespace ostrel {
namespace {

// Keys an edit acts on when they go down, before any character is produced.
bool isKeyDownKey(int key) {
    switch (key) {
    case Qt::Key_Delete:
    case Qt::Key_Insert:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    default:
        return false;
    }
}

// Keys the dialog around the edit acts on.
bool isDialogKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape ||
           key == Qt::Key_Tab || key == Qt::Key_Backtab;
}

} // namespace

CEnableEdit::CEnableEdit(QWidget* parent, bool multiLine) : QPlainTextEdit(parent) {
    setAcceptDrops(false);
    setTabChangesFocus(true);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    if (!multiLine) {
        setLineWrapMode(QPlainTextEdit::NoWrap);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        document()->setDocumentMargin(1);
    }
}

void CEnableEdit::keyPressEvent(QKeyEvent* event) {
    if (isKeyDownKey(event->key())) {
        QPlainTextEdit::keyPressEvent(event);
    } else if (isDialogKey(event->key())) {
        event->ignore();
    } else {
        event->accept(); // a character (or a control character): dropped
    }
}

void CEnableEdit::inputMethodEvent(QInputMethodEvent* event) {
    event->accept();
}

} // namespace ostrel
