#pragma once

#include <QRect>

class Button;
class QColor;
class QPixmap;
class QLabel;
class QLineEdit;
class QWidget;

// The look shared by the windows' pushbuttons, labels and fields.
namespace skinned_parts {

// Colours of captions and labels on the skin's dark background.
extern const char* const kLabelStyle;

// A skinned push button: the small picture set of the panels or the large one of
// the menus' second row, white captions in the text font.
Button* pushButton(QWidget* parent, const QRect& geometry, bool small);
QLabel* label(QWidget* parent, const QRect& geometry);
QLineEdit* field(QWidget* parent, const QRect& geometry, bool enabled);

// The title bar's minimise and quit buttons of a frameless skinned window; the caller
// connects them.
Button* minimiseButton(QWidget* parent, const QRect& geometry);
Button* quitButton(QWidget* parent, const QRect& geometry);

// For paintEvent: the skin's background picture stretched over the window, or the
// fallback colour when the skin has none.
void paintBackground(QWidget& window, const QPixmap& background, const QColor& fallback);

} // namespace skinned_parts
