// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "app/AnchorLayout.h"

#include <algorithm>

namespace {

// One direction of a control's place: where it starts and how long it is,
// for a window `grown` pixels larger than the base.
void Stretch(int &start, int &length, int grown, bool first, bool second) {
    if (first && second)
        length += grown;
    else if (second)
        start += grown;
}

} // namespace

void AnchorLayout::Add(QWidget *control, unsigned edges) {
    if (control)
        m_anchors.push_back({control, control->geometry(), edges});
}

void AnchorLayout::Apply(QSize size) const {
    const int dx = std::max(0, size.width() - m_base.width());
    const int dy = std::max(0, size.height() - m_base.height());
    for (const Anchor &a : m_anchors) {
        if (!a.control)
            continue;
        int x = a.base.x(), y = a.base.y(), w = a.base.width(), h = a.base.height();
        Stretch(x, w, dx, a.edges & Left, a.edges & Right);
        Stretch(y, h, dy, a.edges & Top, a.edges & Bottom);
        a.control->setGeometry(x, y, w, h);
    }
}
