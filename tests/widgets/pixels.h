#pragma once

#include <QColor>
#include <QHash>
#include <QImage>
#include <QRect>
#include <QWidget>
#include <cmath>

// Pixel helpers for widget tests: every check works on a rendered image.
namespace pixels {

inline QImage Grab(QWidget* widget) {
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline int CountColor(const QImage& image, const QColor& color, QRect area = QRect()) {
    if (area.isNull()) area = image.rect();
    area &= image.rect();
    const QRgb wanted = color.rgb();
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (wanted & 0xFFFFFF)) ++count;
    return count;
}

// Pixels within tolerance of a colour on every channel.
inline int CountNear(const QImage& image, const QColor& color, int tolerance, QRect area = QRect()) {
    if (area.isNull()) area = image.rect();
    area &= image.rect();
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c(image.pixel(x, y));
            if (std::abs(c.red() - color.red()) <= tolerance &&
                std::abs(c.green() - color.green()) <= tolerance &&
                std::abs(c.blue() - color.blue()) <= tolerance)
                ++count;
        }
    return count;
}

// The colour covering most of the area: the background behind a text.
inline QColor DominantColor(const QImage& image, QRect area = QRect()) {
    if (area.isNull()) area = image.rect();
    area &= image.rect();
    QHash<QRgb, int> counts;
    QRgb best = 0;
    int bestCount = -1;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb rgb = image.pixel(x, y) & 0xFFFFFF;
            const int n = ++counts[rgb];
            if (n > bestCount) {
                bestCount = n;
                best = rgb;
            }
        }
    return QColor(best);
}

inline double Luminance(const QColor& color) {
    auto channel = [](int v) {
        const double c = v / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(color.red()) + 0.7152 * channel(color.green()) +
           0.0722 * channel(color.blue());
}

// WCAG contrast ratio, 1 (none) to 21 (black on white).
inline double Contrast(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Best contrast any pixel of the area has against the area's dominant
// colour: for an area holding text on a plain face, the text's contrast.
inline double TextContrast(const QImage& image, QRect area = QRect()) {
    if (area.isNull()) area = image.rect();
    area &= image.rect();
    const QColor back = DominantColor(image, area);
    double best = 1.0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            best = std::max(best, Contrast(back, QColor(image.pixel(x, y))));
    return best;
}

// Rows of the image (between top and bottom) where a and b differ.
inline bool DiffersOnlyInRows(const QImage& a, const QImage& b, int top, int bottom) {
    if (a.size() != b.size()) return false;
    for (int y = 0; y < a.height(); ++y) {
        if (y >= top && y <= bottom) continue;
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) return false;
    }
    return true;
}

}  // namespace pixels
