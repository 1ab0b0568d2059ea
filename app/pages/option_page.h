// What the three option pages share: a white page that swallows Enter and Escape, so
// that a page never ends itself or the dialog around it.
#pragma once

#include "dialog_template.h"

#include <QWidget>

class QComboBox;

namespace ostrel {

// Which template a page is made from: the desktop program's or the add-in's.
enum class PageTemplate { Desktop, AddIn };

class OptionPage : public QWidget {
    Q_OBJECT
public:
    const DialogControls& controls() const { return controls_; }

protected:
    OptionPage(QWidget* parent, const DialogTemplate& dialogTemplate);

    void keyPressEvent(QKeyEvent* event) override;

    DialogControls controls_;
};

// The text of a list's selected item. A list the user can type into may show a text that
// names no item: the item it names is taken when there is one (ignoring case), else the
// item last selected, else the first.
QString selectedItemText(const QComboBox& list);

} // namespace ostrel
