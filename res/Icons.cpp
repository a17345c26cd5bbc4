// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "res/Icons.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include <algorithm>
#include <iterator>

// Q_INIT_RESOURCE must stand outside any namespace.
static void EnsureIconResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)registered;
}

namespace {

constexpr int kIconIds[] = {128, 130, 131, 132, 134, 135, 137, 150};
constexpr int kIconSizes[] = {16, 20, 22, 24, 32, 40, 48, 64};

bool IsKnownId(int id) {
    return std::find(std::begin(kIconIds), std::end(kIconIds), id) != std::end(kIconIds);
}

} // namespace

const int *VantoriaIconIds(int *count) {
    if (count)
        *count = static_cast<int>(std::size(kIconIds));
    return kIconIds;
}

QString VantoriaIconPath(int id) {
    if (!IsKnownId(id))
        return {};
    EnsureIconResources();
    return QStringLiteral(":/icons/%1.svg").arg(id);
}

namespace {

// Loads icon `id` into `renderer`; false for an unknown id or a broken file.
bool LoadIcon(int id, QSvgRenderer &renderer) {
    const QString path = VantoriaIconPath(id);
    return !path.isEmpty() && renderer.load(path) && renderer.isValid();
}

} // namespace

QSize VantoriaIconSize(int id) {
    QSvgRenderer renderer;
    return LoadIcon(id, renderer) ? renderer.defaultSize() : QSize();
}

QImage VantoriaIconImage(int id, QSize size) {
    QSvgRenderer renderer;
    if (!LoadIcon(id, renderer))
        return {};
    if (!size.isValid() || size.isEmpty())
        size = renderer.defaultSize();
    if (size.isEmpty())
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    return image.convertToFormat(QImage::Format_ARGB32);
}

QIcon VantoriaIcon(int id) {
    if (!IsKnownId(id))
        return {};
    QIcon icon;
    for (int px : kIconSizes) {
        const QImage image = VantoriaIconImage(id, QSize(px, px));
        if (image.isNull())
            return {};
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
