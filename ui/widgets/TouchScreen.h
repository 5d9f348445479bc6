#pragma once

#include <QString>
#include <QStringList>

class QScreen;
class QWidget;

// The screen the frame is mounted on. Vireto_ScreenInfo/TouchScreen in "Vireto.ini"
// names it: empty (the default) for the primary screen, a number for the screen at
// that place in the system's list (0 is the first), anything else for the screen of
// that name ("HDMI-1"). A screen that is not there means the primary one.
namespace touch_screen {

// Index into names of the screen the setting names; primary when it names none.
int chooseIndex(const QStringList& names, int primary, const QString& setting);
// The chosen screen of this desktop (logs a setting that names no screen).
QScreen* chosen();
// Shows the window full screen on the chosen screen.
void showFullScreenOn(QWidget* window, QScreen* screen);

} // namespace touch_screen
