#include "dialog_template.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <stdexcept>

namespace ostrel {
namespace {

bool has(Style style, Style flag) {
    return (style & flag) != 0;
}

QWidget* makeEdit(QWidget* parent, const DialogItem& item) {
    if (has(item.style, ES_MULTILINE)) {
        auto* edit = new QPlainTextEdit(parent);
        edit->setLineWrapMode(has(item.style, ES_AUTOHSCROLL) ? QPlainTextEdit::NoWrap
                                                              : QPlainTextEdit::WidgetWidth);
        edit->setVerticalScrollBarPolicy(has(item.style, WS_VSCROLL) ? Qt::ScrollBarAlwaysOn
                                                                     : Qt::ScrollBarAlwaysOff);
        edit->setTabChangesFocus(true);
        if (has(item.style, NO_BORDER)) {
            edit->setFrameShape(QFrame::NoFrame);
        }
        return edit;
    }
    auto* edit = new QLineEdit(parent);
    if (has(item.style, ES_PASSWORD)) {
        edit->setEchoMode(QLineEdit::Password);
    }
    edit->setFrame(!has(item.style, NO_BORDER));
    return edit;
}

QWidget* makeComboBox(QWidget* parent, const DialogItem& item) {
    auto* combo = new QComboBox(parent);
    combo->setProperty("sorted", has(item.style, CBS_SORT));
    if (has(item.style, CBS_DROPDOWN)) {
        combo->setEditable(true);
        // Typed text never becomes an item of its own.
        combo->setInsertPolicy(QComboBox::NoInsert);
    }
    return combo;
}

QWidget* makeListBox(QWidget* parent, const DialogItem& item) {
    auto* list = new QListWidget(parent);
    list->setSelectionMode(has(item.style, LBS_EXTENDEDSEL) ? QAbstractItemView::ExtendedSelection
                                                            : QAbstractItemView::SingleSelection);
    if (has(item.style, WS_VSCROLL)) {
        list->setVerticalScrollBarPolicy(
            has(item.style, LBS_DISABLENOSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
    } else {
        list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    return list;
}

QWidget* makeFrame(QWidget* parent, const DialogItem& item) {
    auto* frame = new QFrame(parent);
    const bool line = item.height <= 1 || item.width <= 1;
    if (line) {
        frame->setFrameShape(item.height <= 1 ? QFrame::HLine : QFrame::VLine);
    } else {
        frame->setFrameShape(QFrame::Box);
    }
    frame->setFrameShadow(has(item.style, SS_BLACKFRAME) ? QFrame::Plain : QFrame::Sunken);
    return frame;
}

QWidget* makeLabel(QWidget* parent, const DialogItem& item) {
    auto* label = new QLabel(parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    if (has(item.style, WS_BORDER)) {
        label->setFrameShape(QFrame::Box);
    }
    return label;
}

QWidget* makePicture(QWidget* parent, const DialogItem& item) {
    auto* picture = new QLabel(parent);
    // A bitmap static shows the picture at its own size from its top left corner.
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picture->setPixmap(QPixmap(QString::fromUtf8(item.text)));
    return picture;
}

QWidget* makeStandard(QWidget* parent, const DialogItem& item) {
    switch (item.kind) {
    case Kind::Label:
        return makeLabel(parent, item);
    case Kind::Edit:
        return makeEdit(parent, item);
    case Kind::CheckBox:
        return new QCheckBox(parent);
    case Kind::RadioButton:
        return new QRadioButton(parent);
    case Kind::GroupBox: {
        // The classic look: the title sits on the frame's top line, nothing is filled.
        auto* group = new QGroupBox(parent);
        group->setStyleSheet(QStringLiteral(
            "QGroupBox { border: 1px solid palette(mid); border-radius: 3px; margin-top: 0.5em; }"
            "QGroupBox::title { subcontrol-origin: margin; left: 7px; padding: 0 2px; }"));
        return group;
    }
    case Kind::PushButton: {
        auto* button = new QPushButton(parent);
        button->setDefault(has(item.style, BS_DEFPUSHBUTTON));
        return button;
    }
    case Kind::ComboBox:
        return makeComboBox(parent, item);
    case Kind::ListBox:
        return makeListBox(parent, item);
    case Kind::Picture:
        return makePicture(parent, item);
    case Kind::Frame:
        return makeFrame(parent, item);
    case Kind::Static:
        return new QWidget(parent);
    case Kind::Custom:
        break;
    }
    throw std::logic_error("dialog template: no factory for a custom control");
}

QSize neededSize(const QWidget* control) {
    if (auto* label = qobject_cast<const QLabel*>(control)) {
        return QSize(label->fontMetrics().horizontalAdvance(label->text()) + 1,
                     label->fontMetrics().height());
    }
    return control->sizeHint();
}

// Desktop fonts run a little wider than the fonts the templates were drawn with: a text
// too wide for its box is set up to 8 % tighter, and its box widened if that is not enough.
QSize fitText(QWidget* control, int width) {
    QSize needed = neededSize(control);
    for (int spacing = 99; needed.width() > width && spacing >= 92; --spacing) {
        QFont tighter = control->font();
        tighter.setLetterSpacing(QFont::PercentageSpacing, spacing);
        control->setFont(tighter);
        needed = neededSize(control);
    }
    return needed;
}

bool growsToItsText(const DialogUnits& units, const DialogItem& item) {
    switch (item.kind) {
    case Kind::CheckBox:
    case Kind::RadioButton:
        return true;
    case Kind::Label:
        return units.y(item.height) < 2 * units.baseY();
    default:
        return false;
    }
}

QRect placement(const DialogUnits& units, const DialogItem& item, QWidget* control) {
    QRect rect = units.rect(item.x, item.y, item.width, item.height);
    // A combo box's height in a template is its dropped list; the closed box has the
    // height of one line.
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        rect.setHeight(std::min(rect.height(), combo->sizeHint().height()));
        const int items = (units.y(item.height) - rect.height()) / std::max(1, units.baseY());
        combo->setMaxVisibleItems(std::max(items, 4));
    }
    // Texts on one line are never cut: a label, check box or radio button is widened to
    // its text (and made as high as a line needs), keeping its place in the template.
    if (growsToItsText(units, item)) {
        if (auto* label = qobject_cast<QLabel*>(control)) {
            label->setWordWrap(false);
        }
        const QSize needed = fitText(control, rect.width());
        rect.setWidth(std::max(rect.width(), needed.width()));
        const int extra = needed.height() - rect.height();
        if (extra > 0 && item.kind == Kind::Label) {
            rect.setHeight(needed.height());
        } else if (extra > 0) {
            rect.adjust(0, -(extra / 2), 0, extra - extra / 2);
        }
    }
    // Lines are one pixel thick whatever the units give; sunken lines need two.
    if (item.kind == Kind::Frame && item.height <= 1) {
        rect.setHeight(2);
    }
    if (item.kind == Kind::Frame && item.width <= 1) {
        rect.setWidth(2);
    }
    return rect;
}

} // namespace

QWidget* DialogControls::item(int id) const {
    const auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
}

QFont dialogFont(const DialogTemplate& dialogTemplate) {
    QFont font = QApplication::font();
    if (dialogTemplate.fontPoints != 8 && font.pointSizeF() > 0) {
        font.setPointSizeF(font.pointSizeF() * dialogTemplate.fontPoints / 8.0);
    }
    return font;
}

DialogControls createDialog(QWidget* dialog, const DialogTemplate& dialogTemplate,
                            const ControlFactories& factories) {
    const QFont font = dialogFont(dialogTemplate);
    dialog->setFont(font);
    DialogControls controls{DialogUnits(font)};
    const DialogUnits& units = controls.units_;
    dialog->resize(units.x(dialogTemplate.width), units.y(dialogTemplate.height));
    if (dialogTemplate.caption && *dialogTemplate.caption) {
        dialog->setWindowTitle(QString::fromUtf8(dialogTemplate.caption));
    }

    for (const DialogItem& item : dialogTemplate.items) {
        const auto factory = factories.find(item.id);
        QWidget* control =
            factory != factories.end() ? factory->second(dialog, item) : makeStandard(dialog, item);
        if (item.kind != Kind::Picture && item.text && *item.text) {
            setControlText(control, QString::fromUtf8(item.text));
        }
        control->setGeometry(placement(units, item, control));
        control->setEnabled(!has(item.style, WS_DISABLED));
        if (item.id != IDC_STATIC) {
            control->setObjectName(QStringLiteral("control%1").arg(item.id));
            controls.byId_[item.id] = control;
        }
        controls.all_.push_back(control);
    }
    return controls;
}

int sortedInsertRow(int count, const std::function<QString(int)>& textAt, const QString& text) {
    int row = 0;
    while (row < count && QString::compare(textAt(row), text, Qt::CaseInsensitive) <= 0) {
        ++row;
    }
    return row;
}

int addString(QComboBox& list, const QString& text) {
    const int row = list.property("sorted").toBool()
                        ? sortedInsertRow(
                              list.count(), [&](int at) { return list.itemText(at); }, text)
                        : list.count();
    list.insertItem(row, text);
    return row;
}

QString controlText(const QWidget* control) {
    if (auto* label = qobject_cast<const QLabel*>(control)) {
        return label->text();
    }
    if (auto* button = qobject_cast<const QAbstractButton*>(control)) {
        return button->text();
    }
    if (auto* group = qobject_cast<const QGroupBox*>(control)) {
        return group->title();
    }
    if (auto* edit = qobject_cast<const QLineEdit*>(control)) {
        return edit->text();
    }
    if (auto* edit = qobject_cast<const QPlainTextEdit*>(control)) {
        return edit->toPlainText();
    }
    if (auto* combo = qobject_cast<const QComboBox*>(control)) {
        return combo->currentText();
    }
    return control->windowTitle();
}

void setControlText(QWidget* control, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
        group->setTitle(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(text);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
        plain->setPlainText(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        combo->setEditText(text);
    } else {
        control->setWindowTitle(text);
    }
}

} // namespace ostrel
