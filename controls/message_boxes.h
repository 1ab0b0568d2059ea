// How the controls and dialogs show message boxes. A class of its own so that tests can
// answer the boxes without a modal loop.
#pragma once

#include <QMessageBox>
#include <QString>

namespace ostrel {

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows a modal message box owned by owner and answers the button pressed.
    virtual QMessageBox::StandardButton show(QWidget* owner, QMessageBox::Icon icon,
                                             const QString& caption, const QString& text,
                                             QMessageBox::StandardButtons buttons) = 0;

    // The framework's refusal box: OK, exclamation icon, the program's name as caption.
    void refuse(QWidget* owner, const QString& text);

    // The boxes Qt shows; stateless, shared by every owner that was not given another.
    static MessageBoxes& standard();
};

class QtMessageBoxes : public MessageBoxes {
public:
    QMessageBox::StandardButton show(QWidget* owner, QMessageBox::Icon icon, const QString& caption,
                                     const QString& text,
                                     QMessageBox::StandardButtons buttons) override;
};

} // namespace ostrel
