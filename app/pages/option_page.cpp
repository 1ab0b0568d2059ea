#include "option_page.h"

#include <QComboBox>
#include <QKeyEvent>

namespace ostrel {
namespace {

int resolvedIndex(const QComboBox& list) {
    if (list.isEditable()) {
        const int named = list.findText(list.currentText(), Qt::MatchFixedString);
        if (named >= 0)
            return named;
    }
    if (list.currentIndex() >= 0)
        return list.currentIndex();
    return list.count() > 0 ? 0 : -1;
}

} // namespace

OptionPage::OptionPage(QWidget* parent, const DialogTemplate& dialogTemplate)
    : QWidget(parent), controls_(createDialog(this, dialogTemplate)) {
    // The page's white brush; labels and buttons are transparent over it.
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    hide();
}

void OptionPage::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept(); // OK and Cancel do nothing on a page
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

QString selectedItemText(const QComboBox& list) {
    const int index = resolvedIndex(list);
    return index >= 0 ? list.itemText(index) : QString();
}

} // namespace ostrel
