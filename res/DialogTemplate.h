// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// DialogTemplate: dialogs described as data tables, and the builder that
// turns a table into widgets.
//
// A template is a constant table: the dialog's id, caption, size and font,
// and one row per control (id, kind, text, x, y, w, h, style flags, and for
// some kinds a list of items, a text limit or a class name). Every position
// and size is in dialog units: one horizontal unit is a quarter of the
// dialog font's average character width, one vertical unit an eighth of its
// height, so a layout keeps its proportions whatever font the system picks.
//
// BuildDialog creates the controls as direct children of a host widget, in
// table order (which is also the focus order), sizes the host to the
// template, and tags every control with its numeric id: the object name
// "ctl_<id>" and the property "ctlId". FindControl / Control<T> look a
// control up by id among the host's direct children. Controls whose id is
// kStaticId (labels, group boxes, lines that code never touches) get the
// property but no object name, so several of them may share the id.
//
// Custom controls (kind Custom) are made by a factory registered under the
// row's class name, either globally with RegisterControlFactory or for one
// build through BuildOptions::factories (which wins). A custom row with no
// factory becomes a plain QWidget with the id and a warning on stderr, so the
// dialog still opens.
//
// Kinds and their widgets:
//   Static      QLabel, word-wrapped, top-left (Center / Right align it,
//               Frame draws a sunken box, NoWrap keeps it on one line)
//   GroupBox    QGroupBox, kept below every sibling. A title-less box
//               whose top edge runs under a check box or radio button takes
//               that button as its title (the frame is drawn as for a
//               titled box, the button stays the control that is clicked)
//   PushButton  QPushButton (Default makes it the default button)
//   CheckBox    QCheckBox
//   RadioButton QRadioButton; consecutive radio rows form one exclusive
//               group, Group starts a new one
//   Edit        QLineEdit (ReadOnly, Number = digits only, maxLength > 0
//               limits the text, Password masks it)
//   ComboBox    QComboBox, a fixed list unless Editable; `items` fills it.
//               Its height is the widget's natural height (a template's
//               height for a drop-down counts the dropped list).
//   ListView    QTreeWidget in report style; `items` gives the column titles
//   Progress    QProgressBar, 0..100, no text
//   TrackBar    horizontal QSlider with ticks above (Vertical: ticks left)
//   EtchedLine  sunken QFrame line, horizontal unless taller than wide
//   Icon        QLabel showing the icon named by `text` (a Qt resource path
//               or a theme icon name), scaled to the row's size
//   Custom      whatever the factory for `className` makes
//
// Every caption, item list, column list and dialog caption is a source text
// of the translation context "dlgtpl" (the tables mark theirs with
// QT_TRANSLATE_NOOP): the builder shows the installed translation, or the
// text itself when there is none. A combo box keeps each item's source text
// as the item's kSourceTextRole data, so code that maps items to values
// never reads a translated text. A translated item list with a different
// number of items than its source is not used.
//
// Captions follow the mnemonic convention: "&&" is a literal '&' and a
// single '&' marks the next letter (buttons and group boxes underline it,
// statics drop the marker). `items` is one string with the entries
// separated by '\n'; items and texts that code sets are taken literally.
//
// Everything here runs on the GUI thread. Tables are plain constant data
// and may be shared freely.
#pragma once

#include <QFont>
#include <QSize>
#include <QString>
#include <QWidget>

class QAbstractButton;
class QComboBox;

#include <cstddef>
#include <functional>
#include <map>
#include <string>

namespace dlgtpl {

enum class Kind {
    Static,
    GroupBox,
    PushButton,
    CheckBox,
    RadioButton,
    Edit,
    ComboBox,
    ListView,
    Progress,
    TrackBar,
    EtchedLine,
    Icon,
    SpinBox, // a number with up and down arrows; its range is the code's
    Custom,
};

// Style flags; the ones that do not apply to a kind are ignored.
enum Style : unsigned {
    None = 0,
    Disabled = 1u << 0,  // created disabled
    Hidden = 1u << 1,    // created hidden
    ReadOnly = 1u << 2,  // Edit
    Number = 1u << 3,    // Edit: digits only
    Password = 1u << 4,  // Edit: masked
    Editable = 1u << 5,  // ComboBox: the user may type
    Group = 1u << 6,     // RadioButton: first of a new exclusive group
    Default = 1u << 7,   // PushButton: the default button
    Center = 1u << 8,    // Static: centred text
    Right = 1u << 9,     // Static: right-aligned text
    Frame = 1u << 10,    // Static: a sunken frame around it
    NoWrap = 1u << 11,   // Static: a single line
    Vertical = 1u << 12, // TrackBar
    Sorted = 1u << 13,   // ComboBox: items kept sorted
    Checked = 1u << 14,  // CheckBox / RadioButton: initially checked
};

inline constexpr int kStaticId = -1;

// The translation context of every template text.
inline constexpr char kTrContext[] = "dlgtpl";

// The item data role under which a built combo box keeps each item's source
// text.
inline constexpr int kSourceTextRole = Qt::UserRole + 0x5354;

struct Row {
    int id;
    Kind kind;
    const char *text; // caption (UTF-8); for Icon the icon's name
    int x, y, w, h;   // dialog units, relative to the dialog's client area
    unsigned style = None;
    const char *items = nullptr;     // ComboBox items / ListView columns, '\n'-separated
    int maxLength = 0;               // Edit: 0 = no limit
    const char *className = nullptr; // Custom: the factory's name
};

struct Dialog {
    int id;
    const char *caption; // title of the dialog or of its tab (UTF-8)
    int w, h;            // dialog units
    const char *fontFamily;
    int pointSize;
    const Row *controls;
    std::size_t count;
};

// Makes a Dialog from a static array of rows.
template <std::size_t N>
constexpr Dialog MakeDialog(int id, const char *caption, int w, int h, const Row (&rows)[N],
                            const char *fontFamily = "Tahoma", int pointSize = 8) {
    return Dialog{id, caption, w, h, fontFamily, pointSize, rows, N};
}

// Dialog units to pixels for one font.
class Units {
public:
    explicit Units(const QFont &font);
    Units(int baseX, int baseY) : m_baseX(baseX), m_baseY(baseY) {}

    int X(int du) const; // horizontal: du * baseX / 4, rounded
    int Y(int du) const; // vertical: du * baseY / 8, rounded
    QRect Rect(int x, int y, int w, int h) const;
    QSize Size(int w, int h) const { return {X(w), Y(h)}; }

    int BaseX() const { return m_baseX; }
    int BaseY() const { return m_baseY; }

private:
    int m_baseX;
    int m_baseY;
};

// The font a template asks for (its family at its point size; the system
// substitutes a similar family when it lacks that one).
QFont DialogFont(const Dialog &tpl);

using Factory = std::function<QWidget *(const Row &row, QWidget *parent)>;

// Register `factory` for custom rows naming `className`; replaces an earlier
// registration under the same name.
void RegisterControlFactory(const std::string &className, Factory factory);

struct BuildOptions {
    std::map<std::string, Factory> factories; // per build, before the global ones
    bool resizeHost = true;                   // give the host the template's size
};

// Create the controls of `tpl` on `host` and return the template's size in
// pixels. The host takes the dialog font. Call once per host.
QSize BuildDialog(const Dialog &tpl, QWidget *host, const BuildOptions &options = {});

// A template text (UTF-8) as the user's language shows it: the installed
// translation in kTrContext, otherwise the text itself. Null is empty.
QString TemplateText(const char *text);

// The source text of item `index` of a combo box built from a template (for
// any other combo box, the item's text); empty for an index outside the list.
QString SourceItemText(const QComboBox *combo, int index);

// The size of `tpl` in pixels with its own font.
QSize DialogSize(const Dialog &tpl);

// The control with `id` among host's direct children, or nullptr.
QWidget *FindControl(const QWidget *host, int id);

template <class T> T *Control(const QWidget *host, int id) {
    return qobject_cast<T *>(FindControl(host, id));
}

// The id a built control carries (kStaticId when it has none).
int ControlId(const QWidget *control);

// Check or clear a button of an exclusive radio group; clearing the checked
// one leaves the group with no button checked.
void SetRadioChecked(QAbstractButton *button, bool checked);

} // namespace dlgtpl
