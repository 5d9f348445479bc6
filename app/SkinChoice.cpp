#include "app/SkinChoice.h"

SkinChoice SkinChoice::forDesktop(int width, int height)
{
    SkinChoice c;
    c.portrait = width <= height;
    const int basis = c.portrait ? height : width;
    const QString calibri = QStringLiteral("Calibri");
    const QString arialBlack = QStringLiteral("Arial black");
    if (basis < 1280) {
        const int s = basis / 100;
        c.path = QStringLiteral("./skin/1024/");
        c.title = {calibri, s + 1};
        c.heading = {arialBlack, s};
        c.text = {calibri, s - 1};
    } else if (basis < 1600) {
        c.path = QStringLiteral("./skin/1440/");
        c.title = {calibri, 14};
        c.heading = {arialBlack, 13};
        c.text = {calibri, 12};
    } else {
        c.path = QStringLiteral("./skin/1920/");
        c.title = {calibri, 18};
        c.heading = {arialBlack, 17};
        c.text = {calibri, 16};
    }
    return c;
}
