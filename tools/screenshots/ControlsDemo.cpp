// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// A window showing the icon button in each of its states, both looks, the
// four icon alignments, the main window's buttons, the link in its three
// colours and every icon from 16 to 48 pixels. With a file name as the
// first argument it saves a picture of itself there and quits; without one
// it stays open.
#include "app/CHyperLink.h"
#include "app/CIconButton.h"
#include "app/CThemeApi.h"
#include "res/Icons.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QStyleFactory>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <cstdio>
#include <vector>

namespace {

QLabel *Heading(const QString &text, QWidget *parent) {
    auto *label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QLabel *Caption(const QString &text, QWidget *parent) {
    auto *label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(90, 90, 90));
    label->setPalette(pal);
    return label;
}

void Hover(QWidget *w) {
    const QPoint pos(w->width() / 2, w->height() / 2);
    QEnterEvent enter(pos, w->mapTo(w->window(), pos), w->mapToGlobal(pos));
    QApplication::sendEvent(w, &enter);
}

struct Demo {
    QWidget window;
    CThemeApi theme;
    std::vector<CIconButton *> hovered;
    std::vector<CIconButton *> pressed;
    CIconButton *focused = nullptr;
    CHyperLink *hoverLink = nullptr;

    CIconButton *Button(QWidget *parent, const QString &text, int icon, CThemeApi *api,
                        QSize size = QSize(124, 40)) {
        auto *b = new CIconButton(text, parent);
        b->SetIcon(icon);
        b->SetTheme(api);
        b->setFixedSize(size);
        return b;
    }

    // One row of the six states in one look.
    void StateRow(QGridLayout *grid, int row, const QString &title, CThemeApi *api) {
        grid->addWidget(Heading(title, &window), row, 0, Qt::AlignVCenter);
        const char *names[] = {"Normal",   "Hover",
                               "Pressed",  api ? "Not flat" : "Focused, not flat",
                               "Disabled", "Default"};
        for (int i = 0; i < 6; ++i) {
            auto *cell = new QWidget(&window);
            auto *v = new QVBoxLayout(cell);
            v->setContentsMargins(0, 0, 0, 0);
            v->setSpacing(2);
            CIconButton *b = Button(cell, QStringLiteral("添加文件"), 135, api);
            v->addWidget(b, 0, Qt::AlignHCenter);
            v->addWidget(Caption(QLatin1String(names[i]), cell));
            grid->addWidget(cell, row, i + 1);
            switch (i) {
            case 1:
                hovered.push_back(b);
                break;
            case 2:
                pressed.push_back(b);
                break;
            case 3:
                // Focus shows on flat buttons as well; this one is raised.
                b->SetFlat(false);
                if (!api)
                    focused = b;
                break;
            case 4:
                b->setEnabled(false);
                break;
            case 5:
                b->setDefault(true);
                if (!api)
                    b->SetFlat(false);
                break;
            default:
                break;
            }
        }
    }

    // Alignments, themed.
    QHBoxLayout *AlignmentRow() {
        auto *alignRow = new QHBoxLayout;
        alignRow->addWidget(Heading(QStringLiteral("Alignment"), &window));
        const char *alignNames[] = {"0 icon left", "1 icon above", "2 icon right", "3 overlap"};
        for (int a = 0; a < 4; ++a) {
            auto *cell = new QWidget(&window);
            auto *v = new QVBoxLayout(cell);
            v->setContentsMargins(0, 0, 0, 0);
            v->setSpacing(2);
            CIconButton *b = Button(cell, a == 3 ? QString() : QStringLiteral("设置"), 132, &theme,
                                    a == 1 ? QSize(124, 64) : QSize(124, 40));
            b->SetAlign(a);
            if (a == 3) {
                b->setText(QStringLiteral("Settings"));
                b->SetColor(CIconButton::ColorFgNormal, QColor(20, 20, 20));
            }
            v->addWidget(b, 0, Qt::AlignHCenter);
            v->addWidget(Caption(QLatin1String(alignNames[a]), cell));
            alignRow->addWidget(cell);
        }
        alignRow->addStretch();
        return alignRow;
    }

    // The main window's buttons as the program wires them.
    QHBoxLayout *MainWindowRow() {
        auto *mainRow = new QHBoxLayout;
        mainRow->addWidget(Heading(QStringLiteral("Main window"), &window));
        mainRow->addWidget(Button(&window, QStringLiteral("添加文件"), 135, &theme));
        mainRow->addWidget(Button(&window, QStringLiteral("添加文件夹"), 131, &theme));
        CIconButton *remove = Button(&window, QStringLiteral("移除"), 130, &theme);
        remove->setEnabled(false);
        mainRow->addWidget(remove);
        mainRow->addWidget(
            Button(&window, QStringLiteral("Image Settings"), 132, &theme, QSize(134, 40)));
        CIconButton *help = Button(&window, QString(), 137, nullptr, QSize(40, 40));
        help->DrawBorder(false);
        mainRow->addWidget(help);
        CIconButton *start =
            Button(&window, QStringLiteral("Start Converting"), 134, &theme, QSize(150, 104));
        start->SetAlign(CIconButton::AlignVert);
        mainRow->addWidget(start);
        CIconButton *stop =
            Button(&window, QStringLiteral("Stop Converting"), 150, &theme, QSize(150, 104));
        stop->SetAlign(CIconButton::AlignVert);
        mainRow->addWidget(stop);
        mainRow->addStretch();
        return mainRow;
    }

    // The link in its three colours.
    QHBoxLayout *LinkRow() {
        auto *linkRow = new QHBoxLayout;
        linkRow->setSpacing(24);
        linkRow->addWidget(Heading(QStringLiteral("Hyperlink"), &window));
        const char *linkNames[] = {"normal", "hover", "visited"};
        for (int i = 0; i < 3; ++i) {
            auto *cell = new QWidget(&window);
            auto *v = new QVBoxLayout(cell);
            v->setContentsMargins(0, 0, 0, 0);
            auto *link = new CHyperLink(QStringLiteral("https://quorvane.example/vantoria"), cell);
            if (i == 1)
                hoverLink = link;
            if (i == 2)
                link->SetVisited(true);
            v->addWidget(link, 0, Qt::AlignHCenter);
            v->addWidget(Caption(QLatin1String(linkNames[i]), cell));
            linkRow->addWidget(cell);
        }
        linkRow->addStretch();
        return linkRow;
    }

    // Every icon at the sizes the program uses.
    QGridLayout *IconGrid() {
        auto *iconGrid = new QGridLayout;
        iconGrid->setHorizontalSpacing(18);
        iconGrid->addWidget(Heading(QStringLiteral("Icons"), &window), 0, 0, 2, 1,
                            Qt::AlignVCenter);
        int count = 0;
        const int *ids = VantoriaIconIds(&count);
        for (int i = 0; i < count; ++i) {
            auto *cell = new QWidget(&window);
            auto *h = new QHBoxLayout(cell);
            h->setContentsMargins(0, 0, 0, 0);
            h->setSpacing(4);
            for (int px : {16, 24, 32, 48}) {
                auto *label = new QLabel(cell);
                label->setPixmap(QPixmap::fromImage(VantoriaIconImage(ids[i], QSize(px, px))));
                label->setAlignment(Qt::AlignBottom);
                label->setFixedHeight(48);
                h->addWidget(label, 0, Qt::AlignBottom);
            }
            iconGrid->addWidget(cell, (i / 4) * 2, 1 + i % 4, Qt::AlignLeft);
            iconGrid->addWidget(Caption(QString::number(ids[i]), &window), (i / 4) * 2 + 1,
                                1 + i % 4, Qt::AlignLeft);
        }
        return iconGrid;
    }

    void Build() {
        window.setWindowTitle(QStringLiteral("Quorvane Vantoria controls"));
        window.setWindowIcon(VantoriaIcon(128));
        auto *outer = new QVBoxLayout(&window);
        outer->setContentsMargins(16, 12, 16, 12);
        outer->setSpacing(10);

        auto *grid = new QGridLayout;
        grid->setHorizontalSpacing(10);
        grid->setVerticalSpacing(6);
        StateRow(grid, 0, QStringLiteral("Classic"), nullptr);
        StateRow(grid, 1, QStringLiteral("Themed"), &theme);
        outer->addLayout(grid);
        outer->addLayout(AlignmentRow());
        outer->addLayout(MainWindowRow());
        outer->addLayout(LinkRow());
        outer->addLayout(IconGrid());
    }

    // Puts every control into the state its caption names.
    void ApplyStates() {
        window.activateWindow();
        if (focused) {
            // As reached with the Tab key: the style then draws the focus.
            window.setAttribute(Qt::WA_KeyboardFocusChange);
            focused->setFocus(Qt::TabFocusReason);
        }
        for (CIconButton *b : pressed)
            b->setDown(true);
        for (CIconButton *b : hovered)
            Hover(b);
        if (hoverLink) {
            // The real pointer rests on the link, so its hover lasts.
            QCursor::setPos(hoverLink->mapToGlobal(QPoint(4, hoverLink->height() / 2)));
            Hover(hoverLink);
        }
    }
};

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setWindowIcon(VantoriaIcon(128));

    Demo demo;
    demo.Build();
    demo.window.move(0, 0);
    demo.window.show();

    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    QTimer::singleShot(400, [&] { demo.ApplyStates(); });
    if (out.isEmpty())
        return app.exec();

    int rc = 1;
    QTimer::singleShot(900, [&] {
        demo.ApplyStates();
        QApplication::processEvents();
        QPixmap shot;
        if (QScreen *screen = demo.window.screen())
            shot = screen->grabWindow(demo.window.winId());
        if (shot.isNull() || shot.size() != demo.window.size() * shot.devicePixelRatio())
            shot = demo.window.grab();
        if (shot.save(out, "PNG")) {
            rc = 0;
        } else {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
        }
        app.quit();
    });
    app.exec();
    return rc;
}
