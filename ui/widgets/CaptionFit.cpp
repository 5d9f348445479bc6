#include "ui/widgets/CaptionFit.h"

#include <QFontMetricsF>

#include <algorithm>

namespace caption_fit {

bool fits(const QFont& font, const QRect& area, const QString& text, int flags)
{
    const QFontMetricsF metrics(font);
    const QRectF needed = metrics.boundingRect(QRectF(area), flags, text);
    // A word wider than the area is not broken: the bounding box then runs over.
    return needed.width() <= area.width() + 0.5 && needed.height() <= area.height() + 0.5;
}

QFont fitted(const QFont& font, const QRect& area, const QString& text, int flags)
{
    if (text.isEmpty() || area.isEmpty() || fits(font, area, text, flags))
        return font;
    QFont f = font;
    double size = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 0.75;
    while (size > kSmallestPointSize) {
        size = std::max(kSmallestPointSize, size - 0.5);
        f.setPointSizeF(size);
        if (fits(f, area, text, flags))
            break;
    }
    return f;
}

} // namespace caption_fit
