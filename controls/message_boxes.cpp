#include "message_boxes.h"

#include <QCoreApplication>

namespace ostrel {

void MessageBoxes::refuse(QWidget* owner, const QString& text) {
    show(owner, QMessageBox::Warning, QCoreApplication::applicationName(), text, QMessageBox::Ok);
}

MessageBoxes& MessageBoxes::standard() {
    static QtMessageBoxes boxes;
    return boxes;
}

QMessageBox::StandardButton QtMessageBoxes::show(QWidget* owner, QMessageBox::Icon icon,
                                                 const QString& caption, const QString& text,
                                                 QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, caption, text, buttons, owner);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace ostrel
