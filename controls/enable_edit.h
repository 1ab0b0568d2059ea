// An edit that shows text set by the program and ignores every typed character
// (Backspace included); keys an edit handles on key-down (Delete, arrows, Home, End,
// Insert) still reach it.
#pragma once

#include <QPlainTextEdit>

namespace ostrel {

class CEnableEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    // One line without wrapping unless multiLine.
    explicit CEnableEdit(QWidget* parent = nullptr, bool multiLine = false);

    void setText(const QString& text) { setPlainText(text); }
    QString text() const { return toPlainText(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
};

} // namespace ostrel
