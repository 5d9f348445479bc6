#include "skin/paint_kit.h"

#include <algorithm>

namespace skin {

const Registry& registry()
{
    static const Registry reg = [] {
        Registry r;
        addWindowImages(r);
        addButtonImages(r);
        addTileImages(r);
        addTargetImages(r);
        addAppIcon(r);
        return r;
    }();
    return reg;
}

QColor mix(const QColor& a, const QColor& b, qreal t)
{
    auto lerp = [t](qreal x, qreal y) { return x + (y - x) * t; };
    return QColor::fromRgbF(lerp(a.redF(), b.redF()), lerp(a.greenF(), b.greenF()),
                            lerp(a.blueF(), b.blueF()), lerp(a.alphaF(), b.alphaF()));
}

QColor withAlpha(QColor c, int alpha)
{
    c.setAlpha(alpha);
    return c;
}

QLinearGradient verticalGradient(const QRectF& r, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

QPainterPath roundedRect(const QRectF& r, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

void softShadow(QPainter& p, const QRectF& r, qreal radius, qreal blur, const QColor& color,
                QPointF offset)
{
    constexpr int kLayers = 10;
    p.save();
    p.setPen(Qt::NoPen);
    QColor layer = color;
    layer.setAlphaF(color.alphaF() / kLayers);
    p.setBrush(layer);
    const QRectF base = r.translated(offset);
    for (int i = kLayers; i >= 1; --i) {
        const qreal grow = blur * i / kLayers;
        p.drawRoundedRect(base.adjusted(-grow, -grow, grow, grow), radius + grow, radius + grow);
    }
    p.restore();
}

void topHighlight(Canvas& c, const QRectF& r, qreal radius, int alpha)
{
    const qreal w = c.px;
    const QRectF inner = r.adjusted(w, w, -w, -w);
    QLinearGradient g(inner.topLeft(), inner.bottomLeft());
    g.setColorAt(0, QColor(255, 255, 255, alpha));
    g.setColorAt(0.45, QColor(255, 255, 255, 0));
    c.p.save();
    c.p.setBrush(Qt::NoBrush);
    c.p.setPen(QPen(QBrush(g), w));
    c.p.drawPath(roundedRect(inner, std::max<qreal>(0, radius - w)));
    c.p.restore();
}

void innerShadow(Canvas& c, const QRectF& r, qreal radius, qreal depth, int alpha)
{
    c.p.save();
    c.p.setClipPath(roundedRect(r, radius));
    QLinearGradient g(r.topLeft(), r.topLeft() + QPointF(0, depth));
    g.setColorAt(0, QColor(0, 0, 0, alpha));
    g.setColorAt(1, QColor(0, 0, 0, 0));
    c.p.fillRect(QRectF(r.left(), r.top(), r.width(), depth), g);
    c.p.restore();
}

void haloStroke(QPainter& p, const QPainterPath& path, const QColor& color, qreal width,
                const QColor& halo, qreal haloWidth)
{
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(roundPen(halo, haloWidth));
    p.drawPath(path);
    p.setPen(roundPen(color, width));
    p.drawPath(path);
    p.restore();
}

QPen roundPen(const QColor& color, qreal width)
{
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

} // namespace skin
