#include "ui/widgets/TouchScreen.h"

#include "app/AppContext.h"
#include "app/SettingsFile.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace touch_screen {

int chooseIndex(const QStringList& names, int primary, const QString& setting)
{
    const QString wanted = setting.trimmed();
    if (wanted.isEmpty())
        return primary;
    bool isNumber = false;
    const int index = wanted.toInt(&isNumber);
    if (isNumber)
        return index >= 0 && index < names.size() ? index : primary;
    const int named = static_cast<int>(names.indexOf(wanted));
    return named >= 0 ? named : primary;
}

QScreen* chosen()
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    QScreen* primary = QGuiApplication::primaryScreen();
    if (screens.isEmpty())
        return primary;
    QStringList names;
    for (QScreen* s : screens)
        names << s->name();
    const QString setting = SettingsFile::vireto().readText(QStringLiteral("Vireto_ScreenInfo"),
                                                            QStringLiteral("TouchScreen"));
    const int primaryIndex = std::max(0, static_cast<int>(screens.indexOf(primary)));
    const int index = chooseIndex(names, primaryIndex, setting);
    if (!setting.trimmed().isEmpty() && index == primaryIndex &&
        names.value(primaryIndex) != setting.trimmed() &&
        setting.trimmed() != QString::number(primaryIndex))
        appContext().log.logf("TouchScreen \"%s\" names no screen of this desktop; the primary "
                              "screen is used\n",
                              setting.toLocal8Bit().constData());
    return screens.at(index);
}

void showFullScreenOn(QWidget* window, QScreen* screen)
{
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        // Sized at once, so the window lays itself out for this screen before it shows.
        window->setScreen(screen);
        window->setGeometry(screen->geometry());
    }
    window->showFullScreen();
}

} // namespace touch_screen
