// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Helpers shared by the widget tests: solid test icons and pixel searches
// over grabbed widget images.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QWidget>

inline QImage SolidIcon(QSize size, QColor colour) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

inline QImage Grab(QWidget &widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

inline bool SameRgb(QRgb a, QColor b) {
    return qRed(a) == b.red() && qGreen(a) == b.green() && qBlue(a) == b.blue();
}

// Bounding box of the pixels whose colour is exactly `colour`.
inline QRect BoxOf(const QImage &image, QColor colour) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (SameRgb(image.pixel(x, y), colour))
                box |= QRect(x, y, 1, 1);
    return box;
}

inline int CountOf(const QImage &image, QColor colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += SameRgb(image.pixel(x, y), colour) ? 1 : 0;
    return n;
}

// Length of the longest horizontal run of `colour` in any row.
inline int LongestRun(const QImage &image, QColor colour) {
    int best = 0;
    for (int y = 0; y < image.height(); ++y) {
        int run = 0;
        for (int x = 0; x < image.width(); ++x) {
            run = SameRgb(image.pixel(x, y), colour) ? run + 1 : 0;
            best = std::max(best, run);
        }
    }
    return best;
}
