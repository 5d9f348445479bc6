#pragma once

#include <QFont>
#include <QRect>
#include <QString>

// Captions are shrunk to fit their place, never cut: the font steps down from the skin's
// size until the word-wrapped text fits the area, down to a smallest legible size.
namespace caption_fit {

// Below this a caption is no longer readable at a glance; a text that does not fit
// even here is drawn at this size (and counts as not fitting).
constexpr double kSmallestPointSize = 7.0;

// Flags the button captions are drawn with; labels stay on one line.
constexpr int kFlags = Qt::AlignCenter | Qt::TextWordWrap;
constexpr int kLabelFlags = Qt::AlignLeft | Qt::AlignVCenter;

// Whether text, drawn with font and flags, fits inside area.
bool fits(const QFont& font, const QRect& area, const QString& text, int flags = kFlags);
// font itself when the text fits, else the largest smaller size that fits (never
// below kSmallestPointSize).
QFont fitted(const QFont& font, const QRect& area, const QString& text, int flags = kFlags);

} // namespace caption_fit
