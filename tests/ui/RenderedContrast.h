#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

// Contrast of a text as the operator sees it, measured like the accessibility rules do
// (relative luminance, (lighter + 0.05) / (darker + 0.05)).
inline double luminance(QRgb c)
{
    auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
}

inline double contrast(QRgb a, QRgb b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The contrast of a text as rendered: the box drawn with and without it; the pixels that
// differ are the text's, the strongest of them its ink, and the ink is measured against
// what lies under every one of them without the text (the worst place counts).
inline double renderedContrast(QWidget& box, const std::function<void(bool withText)>& show)
{
    show(false);
    const QImage without = box.grab().toImage().convertToFormat(QImage::Format_RGB32);
    show(true);
    const QImage with = box.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QRgb ink = 0;
    double strongest = -1;
    std::vector<QPoint> text;
    for (int y = 0; y < with.height(); ++y)
        for (int x = 0; x < with.width(); ++x) {
            if (with.pixel(x, y) == without.pixel(x, y))
                continue;
            text.emplace_back(x, y);
            const double d = std::abs(luminance(with.pixel(x, y)) - luminance(without.pixel(x, y)));
            if (d > strongest) {
                strongest = d;
                ink = with.pixel(x, y);
            }
        }
    if (text.empty())
        return 0; // nothing drawn: no contrast at all
    double worst = 1e9;
    for (const QPoint& p : text)
        worst = std::min(worst, contrast(ink, without.pixel(p)));
    return worst;
}
