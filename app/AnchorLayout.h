// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// AnchorLayout: keeps the controls of a window built from a dialog template
// in place as the window grows.
//
// Each control is tied to one or two edges per direction: tied to the left
// only it keeps its distance from the left edge, to the right only it keeps
// its distance from the right edge, to both it grows with the window (the
// same for top and bottom). The places are the ones the controls had when
// they were added, at the base size; Apply never makes a control smaller
// than that. The layout does not own the controls. GUI thread only.
#pragma once

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <vector>

class AnchorLayout {
public:
    enum Edge : unsigned { Left = 1u, Top = 2u, Right = 4u, Bottom = 8u };

    explicit AnchorLayout(QSize base = QSize()) : m_base(base) {}

    // Tie `control`, at its present geometry, to `edges`.
    void Add(QWidget *control, unsigned edges);
    // Place every control for a window of `size`.
    void Apply(QSize size) const;

private:
    struct Anchor {
        QPointer<QWidget> control;
        QRect base;
        unsigned edges;
    };
    QSize m_base;
    std::vector<Anchor> m_anchors;
};
