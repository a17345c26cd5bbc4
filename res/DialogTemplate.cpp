// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "res/DialogTemplate.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QSpinBox>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace dlgtpl {

namespace {

constexpr const char *kIdProperty = "ctlId";

std::map<std::string, Factory> &Registry() {
    static std::map<std::string, Factory> registry;
    return registry;
}

// Integer division rounded to the nearest, halves away from zero.
int MulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(p >= 0 ? (p + half) / c : (p - half) / c);
}

QStringList SplitItems(const char *items) {
    if (!items || !*items)
        return {};
    return QString::fromUtf8(items).split(u'\n');
}

// An item list as shown: the translation of the whole list, split, when it
// has as many items as the source; otherwise the source items.
QStringList ShownItems(const char *items, const QStringList &source) {
    if (source.isEmpty())
        return source;
    QStringList shown = TemplateText(items).split(u'\n');
    return shown.size() == source.size() ? shown : source;
}

// A static's caption as shown: "&&" is one '&', a single '&' only marks a
// mnemonic and is not drawn.
QString StaticCaption(const char *text) {
    const QString raw = TemplateText(text);
    QString shown;
    shown.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] != u'&')
            shown += raw[i];
        else if (i + 1 < raw.size() && raw[i + 1] == u'&')
            shown += raw[++i];
    }
    return shown;
}

QWidget *MakeStatic(const Row &row, QWidget *host) {
    auto *label = new QLabel(StaticCaption(row.text), host);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(!(row.style & NoWrap));
    Qt::Alignment align = Qt::AlignTop;
    if (row.style & Center)
        align |= Qt::AlignHCenter;
    else if (row.style & Right)
        align |= Qt::AlignRight;
    else
        align |= Qt::AlignLeft;
    label->setAlignment(align);
    if (row.style & Frame)
        label->setFrameStyle(QFrame::Box | QFrame::Sunken);
    return label;
}

QWidget *MakeEdit(const Row &row, QWidget *host) {
    auto *edit = new QLineEdit(host);
    if (row.text)
        edit->setText(QString::fromUtf8(row.text));
    if (row.maxLength > 0)
        edit->setMaxLength(row.maxLength);
    edit->setReadOnly(row.style & ReadOnly);
    if (row.style & Number)
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    if (row.style & Password)
        edit->setEchoMode(QLineEdit::Password);
    return edit;
}

QWidget *MakeCombo(const Row &row, QWidget *host) {
    auto *combo = new QComboBox(host);
    combo->setEditable(row.style & Editable);
    if (combo->isEditable())
        combo->setInsertPolicy(QComboBox::NoInsert);
    const QStringList source = SplitItems(row.items);
    const QStringList shown = ShownItems(row.items, source);
    std::vector<std::pair<QString, QString>> items; // shown, source
    for (qsizetype i = 0; i < source.size(); ++i)
        items.emplace_back(shown[i], source[i]);
    if (row.style & Sorted)
        std::stable_sort(items.begin(), items.end(), [](const auto &a, const auto &b) {
            return a.first.compare(b.first, Qt::CaseInsensitive) < 0;
        });
    for (const auto &[text, sourceText] : items) {
        combo->addItem(text);
        combo->setItemData(combo->count() - 1, sourceText, kSourceTextRole);
    }
    // A fixed list starts with no selection, an editable one with empty text.
    combo->setCurrentIndex(-1);
    return combo;
}

QWidget *MakeListView(const Row &row, QWidget *host) {
    auto *tree = new QTreeWidget(host);
    tree->setRootIsDecorated(false);
    tree->setUniformRowHeights(true);
    tree->setItemsExpandable(false);
    tree->setAllColumnsShowFocus(true);
    tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    const QStringList columns = ShownItems(row.items, SplitItems(row.items));
    if (columns.isEmpty()) {
        tree->setHeaderHidden(true);
        tree->setColumnCount(1);
    } else {
        tree->setHeaderLabels(columns);
    }
    return tree;
}

QWidget *MakeTrackBar(const Row &row, QWidget *host) {
    const bool vertical = row.style & Vertical;
    auto *slider = new QSlider(vertical ? Qt::Vertical : Qt::Horizontal, host);
    slider->setTickPosition(vertical ? QSlider::TicksLeft : QSlider::TicksAbove);
    return slider;
}

QWidget *MakeSpinBox(QWidget *host) {
    return new QSpinBox(host);
}

QWidget *MakeLine(const Row &row, QWidget *host) {
    auto *line = new QFrame(host);
    line->setFrameShape(row.h > row.w ? QFrame::VLine : QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QWidget *MakeIcon(const Row &row, QWidget *host, const QSize &size) {
    auto *label = new QLabel(host);
    label->setAlignment(Qt::AlignCenter);
    if (row.text && *row.text) {
        const QString name = QString::fromUtf8(row.text);
        QIcon icon =
            name.startsWith(u':') || name.startsWith(u'/') ? QIcon(name) : QIcon::fromTheme(name);
        if (!icon.isNull())
            label->setPixmap(icon.pixmap(size));
    }
    return label;
}

QWidget *MakeCustom(const Row &row, QWidget *host, const BuildOptions &options) {
    const std::string name = row.className ? row.className : "";
    Factory factory;
    if (auto it = options.factories.find(name); it != options.factories.end())
        factory = it->second;
    else if (auto jt = Registry().find(name); jt != Registry().end())
        factory = jt->second;
    // The factory gets the row with its caption as shown.
    const QByteArray text = TemplateText(row.text).toUtf8();
    Row shown = row;
    if (row.text)
        shown.text = text.constData();
    QWidget *widget = factory ? factory(shown, host) : nullptr;
    if (!widget) {
        std::fprintf(stderr, "dialog template: no factory for control %d (class \"%s\")\n", row.id,
                     name.c_str());
        widget = new QWidget(host);
    }
    if (widget->parentWidget() != host)
        widget->setParent(host);
    return widget;
}

QWidget *MakePushButton(const Row &row, QWidget *host) {
    auto *button = new QPushButton(TemplateText(row.text), host);
    button->setAutoDefault(false);
    button->setDefault(row.style & Default);
    return button;
}

QWidget *MakeCheckBox(const Row &row, QWidget *host) {
    auto *box = new QCheckBox(TemplateText(row.text), host);
    box->setChecked(row.style & Checked);
    return box;
}

// A radio button joins the group of the radio buttons right before it,
// unless it starts a group of its own (Group).
QWidget *MakeRadioButton(const Row &row, QWidget *host, QButtonGroup *&radios) {
    auto *radio = new QRadioButton(TemplateText(row.text), host);
    if (!radios || (row.style & Group)) {
        radios = new QButtonGroup(host);
        radios->setExclusive(true);
    }
    radios->addButton(radio);
    radio->setChecked(row.style & Checked);
    return radio;
}

QWidget *MakeProgress(QWidget *host) {
    auto *bar = new QProgressBar(host);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

// What BuildDialog carries from one row to the next.
struct BuildState {
    std::vector<QGroupBox *> groupBoxes;
    QButtonGroup *radios = nullptr; // the group of the radio buttons just made
};

QWidget *MakeControl(const Row &row, QWidget *host, const QRect &rect, const BuildOptions &options,
                     BuildState &state) {
    if (row.kind != Kind::RadioButton)
        state.radios = nullptr;
    switch (row.kind) {
    case Kind::Static:
        return MakeStatic(row, host);
    case Kind::GroupBox:
        state.groupBoxes.push_back(new QGroupBox(TemplateText(row.text), host));
        return state.groupBoxes.back();
    case Kind::PushButton:
        return MakePushButton(row, host);
    case Kind::CheckBox:
        return MakeCheckBox(row, host);
    case Kind::RadioButton:
        return MakeRadioButton(row, host, state.radios);
    case Kind::Edit:
        return MakeEdit(row, host);
    case Kind::ComboBox:
        return MakeCombo(row, host);
    case Kind::ListView:
        return MakeListView(row, host);
    case Kind::Progress:
        return MakeProgress(host);
    case Kind::TrackBar:
        return MakeTrackBar(row, host);
    case Kind::EtchedLine:
        return MakeLine(row, host);
    case Kind::Icon:
        return MakeIcon(row, host, rect.size());
    case Kind::SpinBox:
        return MakeSpinBox(host);
    case Kind::Custom:
        return MakeCustom(row, host, options);
    }
    return nullptr;
}

// Font, place, id and state of a control just made for `row`.
void PlaceControl(QWidget *widget, const Row &row, const QRect &rect, const QFont &font) {
    widget->setFont(font);
    QRect geometry = rect;
    if (row.kind == Kind::ComboBox)
        geometry.setHeight(widget->sizeHint().height());
    widget->setGeometry(geometry);
    widget->setProperty(kIdProperty, row.id);
    if (row.id != kStaticId)
        widget->setObjectName(QStringLiteral("ctl_%1").arg(row.id));
    if (row.style & Disabled)
        widget->setEnabled(false);
    if (row.style & Hidden)
        widget->hide();
    else
        widget->show();
}

// The check box or radio button of `host` whose box runs across the top edge
// of `frame`, inside its sides; null when there is none.
QAbstractButton *ButtonOnTopEdge(const QRect &frame, const QWidget *host) {
    for (QAbstractButton *button :
         host->findChildren<QAbstractButton *>(QString(), Qt::FindDirectChildrenOnly)) {
        const QRect r = button->geometry();
        if ((qobject_cast<QCheckBox *>(button) || qobject_cast<QRadioButton *>(button)) &&
            r.top() <= frame.top() && r.bottom() >= frame.top() && r.left() >= frame.left() &&
            r.right() <= frame.right())
            return button;
    }
    return nullptr;
}

// Group boxes are frames behind their contents. A title-less group box whose
// top edge runs under a check box or radio button takes that button as its
// title: the box reserves room for an (unseen) title of the same text, so its
// frame is drawn as for any titled box and never crosses the button.
void SettleGroupBoxes(const std::vector<QGroupBox *> &groupBoxes, const QWidget *host) {
    for (QGroupBox *box : groupBoxes) {
        box->lower();
        if (!box->title().isEmpty())
            continue;
        QAbstractButton *button = ButtonOnTopEdge(box->geometry(), host);
        if (!button)
            continue;
        box->setTitle(button->text());
        QPalette pal = box->palette();
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            pal.setColor(group, QPalette::WindowText, Qt::transparent);
        box->setPalette(pal);
    }
}

} // namespace

Units::Units(const QFont &font) {
    const QFontMetrics fm(font);
    // The average width of the Latin letters, rounded up to a whole pixel:
    // the measure dialog layouts have always been drawn against.
    const int alphabet = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = std::max(1, (alphabet / 26 + 1) / 2);
    m_baseY = std::max(1, fm.height());
}

int Units::X(int du) const {
    return MulDiv(du, m_baseX, 4);
}
int Units::Y(int du) const {
    return MulDiv(du, m_baseY, 8);
}

QRect Units::Rect(int x, int y, int w, int h) const {
    const int left = X(x);
    const int top = Y(y);
    return QRect(left, top, X(x + w) - left, Y(y + h) - top);
}

QFont DialogFont(const Dialog &tpl) {
    QFont font;
    if (tpl.fontFamily && *tpl.fontFamily)
        font.setFamilies({QString::fromUtf8(tpl.fontFamily)});
    if (tpl.pointSize > 0)
        font.setPointSize(tpl.pointSize);
    return font;
}

void RegisterControlFactory(const std::string &className, Factory factory) {
    Registry()[className] = std::move(factory);
}

QString TemplateText(const char *text) {
    if (!text || !*text)
        return QString();
    return QCoreApplication::translate(kTrContext, text);
}

QString SourceItemText(const QComboBox *combo, int index) {
    if (!combo || index < 0 || index >= combo->count())
        return QString();
    const QVariant source = combo->itemData(index, kSourceTextRole);
    return source.isValid() ? source.toString() : combo->itemText(index);
}

QSize DialogSize(const Dialog &tpl) {
    return Units(DialogFont(tpl)).Size(tpl.w, tpl.h);
}

QSize BuildDialog(const Dialog &tpl, QWidget *host, const BuildOptions &options) {
    const QFont font = DialogFont(tpl);
    host->setFont(font);
    const Units units(font);

    BuildState state;
    for (std::size_t i = 0; i < tpl.count; ++i) {
        const Row &row = tpl.controls[i];
        const QRect rect = units.Rect(row.x, row.y, row.w, row.h);
        if (QWidget *widget = MakeControl(row, host, rect, options, state))
            PlaceControl(widget, row, rect, font);
    }
    SettleGroupBoxes(state.groupBoxes, host);

    const QSize size = units.Size(tpl.w, tpl.h);
    if (options.resizeHost) {
        host->setMinimumSize(size);
        host->resize(size);
    }
    return size;
}

QWidget *FindControl(const QWidget *host, int id) {
    if (!host)
        return nullptr;
    return host->findChild<QWidget *>(QStringLiteral("ctl_%1").arg(id), Qt::FindDirectChildrenOnly);
}

int ControlId(const QWidget *control) {
    if (!control)
        return kStaticId;
    const QVariant v = control->property(kIdProperty);
    return v.isValid() ? v.toInt() : kStaticId;
}

} // namespace dlgtpl

namespace dlgtpl {

void SetRadioChecked(QAbstractButton *button, bool checked) {
    if (!button || button->isChecked() == checked)
        return;
    QButtonGroup *group = button->group();
    const bool groupExclusive = group && group->exclusive();
    const bool autoExclusive = button->autoExclusive();
    if (group)
        group->setExclusive(false);
    button->setAutoExclusive(false);
    button->setChecked(checked);
    button->setAutoExclusive(autoExclusive);
    if (group)
        group->setExclusive(groupExclusive);
}

} // namespace dlgtpl
