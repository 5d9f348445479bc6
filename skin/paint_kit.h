// Shared palette, drawing context and small painting helpers for the skin images.
#pragma once

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>

#include <functional>
#include <map>
#include <string>

namespace skin {

namespace palette {
inline const QColor navyDeep{8, 24, 48};
inline const QColor navy{13, 43, 82};
inline const QColor navyLight{24, 72, 124};
inline const QColor tealDeep{9, 72, 88};
inline const QColor teal{18, 128, 146};
inline const QColor cyan{39, 195, 224};
inline const QColor cyanBright{123, 231, 245};
inline const QColor ice{234, 246, 251};
inline const QColor ink{0, 38, 102}; // text colour the program uses on light areas
inline const QColor green{47, 191, 113};
inline const QColor greenBright{92, 222, 150};
inline const QColor red{229, 72, 77};
inline const QColor redBright{245, 110, 114};
inline const QColor greyLight{201, 206, 214};
inline const QColor greyMid{158, 166, 176};
inline const QColor greyDark{118, 127, 138};
} // namespace palette

// Interaction state shared by buttons and menu tiles.
enum class State { Normal, Focus, Press, Disabled };

// Everything an image painter gets. The painter is already scaled so that `rect` (the size
// from the manifest, at the 1920 skin) covers the whole image; `px` is one device pixel in
// those units, for hairlines that must stay crisp at every skin.
struct Canvas {
    QPainter& p;
    QRectF rect;
    qreal px;
};

using DrawFn = std::function<void(Canvas&)>;
using Registry = std::map<std::string, DrawFn, std::less<>>;

// Every image the generator knows how to draw, keyed by its path in a skin folder.
const Registry& registry();

// Each image family registers its own names.
void addWindowImages(Registry& reg);
void addButtonImages(Registry& reg);
void addTileImages(Registry& reg);
void addTargetImages(Registry& reg);
void addAppIcon(Registry& reg);

QColor mix(const QColor& a, const QColor& b, qreal t);
QColor withAlpha(QColor c, int alpha);
QLinearGradient verticalGradient(const QRectF& r, const QColor& top, const QColor& bottom);
QPainterPath roundedRect(const QRectF& r, qreal radius);

// A soft blurred shadow (or glow) around a rounded rectangle, built from stacked layers.
void softShadow(QPainter& p, const QRectF& r, qreal radius, qreal blur, const QColor& color,
                QPointF offset = {});

// A thin light line along the inside top of a rounded shape, for a gentle bevel.
void topHighlight(Canvas& c, const QRectF& r, qreal radius, int alpha);

// Darkens the inside top of a rounded shape, making it look pressed in.
void innerShadow(Canvas& c, const QRectF& r, qreal radius, qreal depth, int alpha);

// Strokes a path over a wider dark halo so it reads on both light and dark backgrounds.
void haloStroke(QPainter& p, const QPainterPath& path, const QColor& color, qreal width,
                const QColor& halo, qreal haloWidth);

QPen roundPen(const QColor& color, qreal width);

} // namespace skin
