// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The dialog-template builder and the settings templates.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QSlider>
#include <QTreeWidget>
#include <QtTest>

#include "res/DialogTemplate.h"
#include "res/SettingsTemplates.h"

using namespace dlgtpl;

namespace {

const Row kEveryKind[] = {
    {kStaticId, Kind::GroupBox, "", 2, 2, 100, 60},
    {10, Kind::CheckBox, "Title check", 6, 1, 50, 10, Checked},
    {kStaticId, Kind::Static, "Label one", 6, 14, 40, 8},
    {kStaticId, Kind::Static, "Label two", 6, 24, 40, 8, Right},
    {kStaticId, Kind::Static, "A && B &x", 6, 32, 40, 8, NoWrap},
    {11, Kind::Edit, "12", 50, 14, 40, 12, Number, nullptr, 3},
    {12, Kind::Edit, "ro", 50, 28, 40, 12, ReadOnly | Disabled},
    {13, Kind::ComboBox, "", 6, 40, 60, 80, None, "a\nb\nc"},
    {14, Kind::ComboBox, "", 70, 40, 60, 80, Editable, "x\ny"},
    {20, Kind::RadioButton, "r0", 110, 2, 40, 10, Group},
    {21, Kind::RadioButton, "r1", 110, 14, 40, 10, Checked},
    {22, Kind::RadioButton, "s0", 110, 30, 40, 10, Group | Checked},
    {23, Kind::RadioButton, "s1", 110, 42, 40, 10},
    {30, Kind::PushButton, "Go", 160, 2, 40, 14, Default},
    {31, Kind::ListView, "", 160, 20, 80, 40, None, "Name\nSize\nStatus"},
    {32, Kind::Progress, "", 160, 64, 80, 8, Hidden},
    {33, Kind::TrackBar, "", 2, 70, 100, 20},
    {34, Kind::EtchedLine, "", 2, 94, 200, 1},
    {35, Kind::Icon, "", 210, 2, 20, 20},
    {36, Kind::Custom, "", 210, 30, 20, 20, None, nullptr, 0, "TestWidget"},
    {37, Kind::Custom, "", 210, 60, 20, 20, None, nullptr, 0, "Unknown"},
};
const Dialog kTest = MakeDialog(999, "Test", 250, 100, kEveryKind);

const Dialog *const kSettingsTemplates[] = {
    &kTplComn, &kTplBmp, &kTplTiff, &kTplJpeg,     &kTplGif,  &kTplPng,   &kTplPcx,     &kTplJp2,
    &kTplJpc,  &kTplRas, &kTplTga,  &kTplSecurity, &kTplInfo, &kTplStamp, &kTplQuality, &kTplText,
};

} // namespace

class TemplatesTest : public QObject {
    Q_OBJECT
private slots:
    void unitsRoundToPixels();
    void unitsFollowTheFont();
    void buildsEveryKind();
    void radioGroupsAndChecks();
    void customFactories();
    void settingsTemplatesFit();
};

void TemplatesTest::unitsRoundToPixels() {
    const Units u(6, 13);
    QCOMPARE(u.X(4), 6);
    QCOMPARE(u.X(247), 371); // 370.5 rounds up
    QCOMPARE(u.Y(8), 13);
    QCOMPARE(u.Y(164), 267); // 266.5
    QCOMPARE(u.X(0), 0);
    QCOMPARE(u.X(-4), -6);
    // A rectangle's far edge is converted, not its size: neighbours meet.
    const QRect a = u.Rect(3, 3, 5, 5);
    const QRect b = u.Rect(8, 3, 5, 5);
    QCOMPARE(a.right() + 1, b.left());
}

void TemplatesTest::unitsFollowTheFont() {
    QFont small = DialogFont(kTplComn);
    QFont large = small;
    large.setPointSize(small.pointSize() * 2);
    const Units us(small), ul(large);
    QVERIFY(ul.BaseX() > us.BaseX());
    QVERIFY(ul.BaseY() > us.BaseY());
    QCOMPARE(us.BaseY(), QFontMetrics(small).height());
    QCOMPARE(DialogSize(kTplComn), us.Size(247, 164));
}

void TemplatesTest::buildsEveryKind() {
    QWidget host;
    RegisterControlFactory("TestWidget", [](const Row &, QWidget *parent) {
        auto *w = new QLabel(QStringLiteral("custom"), parent);
        return w;
    });
    const QSize size = BuildDialog(kTest, &host);
    const Units units(DialogFont(kTest));
    QCOMPARE(size, units.Size(250, 100));
    QCOMPARE(host.size(), size);

    QVERIFY(Control<QCheckBox>(&host, 10));
    QVERIFY(Control<QLineEdit>(&host, 11));
    QVERIFY(Control<QComboBox>(&host, 13));
    QVERIFY(Control<QPushButton>(&host, 30));
    QVERIFY(Control<QTreeWidget>(&host, 31));
    QVERIFY(Control<QProgressBar>(&host, 32));
    QVERIFY(Control<QSlider>(&host, 33));
    QVERIFY(Control<QFrame>(&host, 34));
    QVERIFY(Control<QLabel>(&host, 35));
    QCOMPARE(ControlId(FindControl(&host, 33)), 33);
    QVERIFY(!FindControl(&host, 4242));

    // Positions in dialog units.
    QCOMPARE(FindControl(&host, 11)->geometry(), units.Rect(50, 14, 40, 12));
    QCOMPARE(FindControl(&host, 33)->geometry(), units.Rect(2, 70, 100, 20));

    // Labels carry no object name; both are there.
    int labels = 0;
    for (auto *l : host.findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly))
        if (ControlId(l) == kStaticId)
            ++labels;
    QCOMPARE(labels, 3);
    const auto right = host.findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly);
    bool foundRight = false;
    for (auto *l : right)
        if (l->text() == "Label two")
            foundRight = (l->alignment() & Qt::AlignRight) && l->wordWrap();
    QVERIFY(foundRight);
    // "&&" shows one ampersand; a lone one marks a mnemonic and is not drawn.
    bool foundAmpersand = false;
    for (auto *l : right)
        if (l->text() == "A & B x")
            foundAmpersand = !l->wordWrap();
    QVERIFY(foundAmpersand);

    // Edit styles.
    auto *digits = Control<QLineEdit>(&host, 11);
    QCOMPARE(digits->maxLength(), 3);
    QCOMPARE(digits->text(), QStringLiteral("12"));
    digits->clear();
    QTest::keyClicks(digits, "9x8y76");
    QCOMPARE(digits->text(), QStringLiteral("987"));
    auto *readOnly = Control<QLineEdit>(&host, 12);
    QVERIFY(readOnly->isReadOnly() && !readOnly->isEnabled());

    // Lists.
    auto *fixed = Control<QComboBox>(&host, 13);
    QVERIFY(!fixed->isEditable());
    QCOMPARE(fixed->count(), 3);
    QCOMPARE(fixed->currentIndex(), -1);
    QCOMPARE(fixed->itemText(2), QStringLiteral("c"));
    QVERIFY(Control<QComboBox>(&host, 14)->isEditable());
    QVERIFY(fixed->height() < units.Y(80)); // the dropped list is not its height
    auto *tree = Control<QTreeWidget>(&host, 31);
    QCOMPARE(tree->columnCount(), 3);
    QCOMPARE(tree->headerItem()->text(2), QStringLiteral("Status"));
    QVERIFY(!tree->rootIsDecorated());

    QVERIFY(Control<QPushButton>(&host, 30)->isDefault());
    QVERIFY(!Control<QProgressBar>(&host, 32)->isVisibleTo(&host));
    auto *bar = Control<QSlider>(&host, 33);
    QCOMPARE(bar->orientation(), Qt::Horizontal);
    QCOMPARE(bar->tickPosition(), QSlider::TicksAbove);
    QCOMPARE(Control<QFrame>(&host, 34)->frameShape(), QFrame::HLine);

    // The group box lies below the check box drawn on its frame.
    host.show();
    auto *check = Control<QCheckBox>(&host, 10);
    QCOMPARE(host.childAt(check->geometry().center()), static_cast<QWidget *>(check));
    QVERIFY(check->isChecked());
    // ...and reserves its title room for it, so the frame runs below it.
    auto boxes = host.findChildren<QGroupBox *>(QString(), Qt::FindDirectChildrenOnly);
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0]->title(), check->text());
    QCOMPARE(boxes[0]->palette().color(QPalette::WindowText).alpha(), 0);
}

void TemplatesTest::radioGroupsAndChecks() {
    QWidget host;
    BuildDialog(kTest, &host);
    auto *r0 = Control<QRadioButton>(&host, 20);
    auto *r1 = Control<QRadioButton>(&host, 21);
    auto *s0 = Control<QRadioButton>(&host, 22);
    auto *s1 = Control<QRadioButton>(&host, 23);
    QVERIFY(r1->isChecked() && s0->isChecked());
    r0->click();
    QVERIFY(r0->isChecked() && !r1->isChecked());
    QVERIFY(s0->isChecked()); // the other group is untouched
    s1->click();
    QVERIFY(!s0->isChecked() && r0->isChecked());

    // Clearing the checked button leaves the group empty, and it stays
    // exclusive afterwards.
    SetRadioChecked(s1, false);
    QVERIFY(!s0->isChecked() && !s1->isChecked());
    s0->click();
    s1->click();
    QVERIFY(!s0->isChecked() && s1->isChecked());
    QVERIFY(s1->group()->exclusive());
}

void TemplatesTest::customFactories() {
    QWidget host;
    BuildOptions options;
    int calls = 0;
    options.factories["TestWidget"] = [&calls](const Row &row, QWidget *) {
        ++calls;
        // A factory may leave the parent unset; the builder adopts it.
        auto *w = new QPushButton(QString::number(row.id));
        return w;
    };
    BuildDialog(kTest, &host, options);
    QCOMPARE(calls, 1);
    auto *custom = Control<QPushButton>(&host, 36);
    QVERIFY(custom);
    QCOMPARE(custom->parentWidget(), &host);
    QCOMPARE(custom->text(), QStringLiteral("36"));
    // Without a factory the id still leads to a widget.
    QWidget *unknown = FindControl(&host, 37);
    QVERIFY(unknown);
    QCOMPARE(ControlId(unknown), 37);
}

void TemplatesTest::settingsTemplatesFit() {
    struct Expect {
        const Dialog *tpl;
        int id;
        int w, h;
        const char *caption;
    };
    const Expect sizes[] = {
        {&kTplComn, 144, 247, 164, "共同"},        {&kTplBmp, 145, 247, 164, "BMP"},
        {&kTplTiff, 146, 247, 164, "TIFF"},        {&kTplJpeg, 143, 247, 164, "JPEG"},
        {&kTplGif, 148, 247, 164, "GIF"},          {&kTplPng, 147, 247, 164, "PNG"},
        {&kTplPcx, 149, 247, 164, "PCX"},          {&kTplJp2, 163, 247, 164, "JP2"},
        {&kTplJpc, 164, 247, 164, "JPC"},          {&kTplRas, 165, 247, 164, "RAS"},
        {&kTplTga, 162, 247, 164, "TGA"},          {&kTplSecurity, 170, 277, 139, "PDF 安全"},
        {&kTplInfo, 172, 277, 139, "PDF 信息"},    {&kTplStamp, 171, 277, 139, "水印"},
        {&kTplQuality, 174, 277, 139, "PDF 质量"}, {&kTplText, 173, 242, 129, "文字设置"},
    };
    for (const Expect &e : sizes) {
        QCOMPARE(e.tpl->id, e.id);
        QCOMPARE(e.tpl->w, e.w);
        QCOMPARE(e.tpl->h, e.h);
        QCOMPARE(QString::fromUtf8(e.tpl->caption), QString::fromUtf8(e.caption));
        QCOMPARE(QString::fromUtf8(e.tpl->fontFamily), QStringLiteral("Tahoma"));
        QCOMPARE(e.tpl->pointSize, 8);
    }
    for (const Dialog *tpl : kSettingsTemplates) {
        QSet<int> ids;
        for (std::size_t i = 0; i < tpl->count; ++i) {
            const Row &row = tpl->controls[i];
            const QString where = QStringLiteral("template %1 control %2").arg(tpl->id).arg(row.id);
            QVERIFY2(row.x >= 0 && row.y >= 0 && row.x + row.w <= tpl->w, qPrintable(where));
            // Drop-down heights count the dropped list.
            if (row.kind != Kind::ComboBox)
                QVERIFY2(row.y + row.h <= tpl->h, qPrintable(where));
            if (row.id != kStaticId) {
                QVERIFY2(!ids.contains(row.id), qPrintable(where));
                ids.insert(row.id);
            }
        }
        // Built, every control with an id can be found by it.
        QWidget host;
        BuildDialog(*tpl, &host);
        for (int id : ids)
            QVERIFY(FindControl(&host, id));
    }
}

QTEST_MAIN(TemplatesTest)
#include "TemplatesTest.moc"
