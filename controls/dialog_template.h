// Dialog templates as data: each control is one row of (kind, id, text, x, y, width, height,
// style) in dialog units, and one function turns a template into widgets on a dialog.
#pragma once

#include "dialog_units.h"

#include <QFont>
#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <vector>

class QComboBox;

namespace ostrel {

enum class Kind {
    Label,       // static text, left aligned, words wrap
    Edit,        // one-line edit, or multi-line with ES_MULTILINE
    CheckBox,    // auto check box
    RadioButton, // auto radio button
    GroupBox,
    PushButton,
    ComboBox, // CBS_DROPDOWNLIST (no typed text) or CBS_DROPDOWN (an edit field)
    ListBox,
    Picture, // static showing the picture named by the text (a resource path)
    Frame,   // etched or black frame; a line when one unit thin
    Static,  // an empty static that hosts other windows
    Custom,  // made by the factory registered for its id
};

// Control styles. The names follow the resource scripts the templates were written as.
using Style = unsigned;
inline constexpr Style WS_DISABLED = 1u << 0;
inline constexpr Style WS_VSCROLL = 1u << 1;
inline constexpr Style NO_BORDER = 1u << 2; // edits have a border unless told otherwise
inline constexpr Style WS_BORDER = 1u << 3; // for list boxes and statics
inline constexpr Style ES_PASSWORD = 1u << 4;
inline constexpr Style ES_MULTILINE = 1u << 5;
inline constexpr Style ES_AUTOHSCROLL = 1u << 6;
inline constexpr Style ES_AUTOVSCROLL = 1u << 7;
inline constexpr Style ES_WANTRETURN = 1u << 8;
inline constexpr Style BS_DEFPUSHBUTTON = 1u << 9;
inline constexpr Style LBS_SORT = 1u << 10;
inline constexpr Style LBS_EXTENDEDSEL = 1u << 11;
inline constexpr Style LBS_DISABLENOSCROLL = 1u << 12;
inline constexpr Style CBS_DROPDOWN = 1u << 13;
inline constexpr Style CBS_DROPDOWNLIST = 1u << 14;
inline constexpr Style CBS_SORT = 1u << 15;
inline constexpr Style SS_ETCHEDFRAME = 1u << 16;
inline constexpr Style SS_BLACKFRAME = 1u << 17;
inline constexpr Style WS_GROUP = 1u << 18;

// The id of controls nobody refers to.
inline constexpr int IDC_STATIC = -1;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

struct DialogItem {
    Kind kind;
    int id;
    const char* text;
    int x;
    int y;
    int width;
    int height;
    Style style = 0;
};

struct DialogTemplate {
    int id;
    const char* caption; // empty for child pages
    int width;
    int height;
    int fontPoints; // of the dialog font, "MS Shell Dlg" on Windows
    std::vector<DialogItem> items;
};

// Makes the window of a control whose class the template does not know (the extended
// controls); the template row is handed over for its styles.
using ControlFactory = std::function<QWidget*(QWidget* parent, const DialogItem& item)>;
using ControlFactories = std::map<int, ControlFactory>;

// The controls a template made, looked up by id.
class DialogControls {
public:
    QWidget* item(int id) const;
    template <class T> T* get(int id) const { return qobject_cast<T*>(item(id)); }
    const std::vector<QWidget*>& all() const { return all_; }
    const DialogUnits& units() const { return units_; }

private:
    friend DialogControls createDialog(QWidget*, const DialogTemplate&, const ControlFactories&);
    explicit DialogControls(const DialogUnits& units) : units_(units) {}
    DialogUnits units_;
    std::map<int, QWidget*> byId_;
    std::vector<QWidget*> all_;
};

// The font a template names, on this desktop: "MS Shell Dlg" 8 point is the desktop's
// dialog font; other sizes scale from it.
QFont dialogFont(const DialogTemplate& dialogTemplate);

// Gives the dialog the template's font, size and caption and creates its controls in
// template order (which is also the tab order), placed in dialog units.
DialogControls createDialog(QWidget* dialog, const DialogTemplate& dialogTemplate,
                            const ControlFactories& factories = {});

// The row at which a sorted list inserts text: after every entry that does not compare
// greater, without regard to case, as sorted system lists do.
int sortedInsertRow(int count, const std::function<QString(int)>& textAt, const QString& text);
// Adds an item: at its sorted place when the list was made with CBS_SORT, else at the end.
int addString(QComboBox& list, const QString& text);

// The text of a control whatever its class (labels, buttons, group boxes, edits).
QString controlText(const QWidget* control);
void setControlText(QWidget* control, const QString& text);

} // namespace ostrel
