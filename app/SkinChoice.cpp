#include "app/SkinChoice.h"

#include <algorithm>
#include <cmath>

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

double SkinChoice::scale() const
{
    if (path.endsWith(QLatin1String("/1024/")))
        return 0.6;
    if (path.endsWith(QLatin1String("/1440/")))
        return 0.75;
    return 1.0;
}

bool SkinChoice::smaller(SkinChoice& next) const
{
    // The size basis of the next skin: its fonts are those a desktop of that size gets.
    const double s = scale();
    if (s <= 0.6)
        return false;
    next = forDesktop(s > 0.75 ? 1440 : 1024, 1);
    next.portrait = portrait;
    return true;
}

QSize WindowFit::size() const
{
    const double s = skin.scale() * extraScale;
    return QSize(static_cast<int>(std::lround(design.width() * s)),
                 static_cast<int>(std::lround(design.height() * s)));
}

WindowFit fitWindow(const SkinChoice& desktopSkin, QSize design, QSize available)
{
    WindowFit fit{desktopSkin, design, 1.0};
    auto fits = [&](const WindowFit& f) {
        const QSize s = f.size();
        return s.width() <= available.width() && s.height() <= available.height();
    };
    SkinChoice next;
    while (!fits(fit) && fit.skin.smaller(next))
        fit.skin = next;
    if (!fits(fit) && design.width() > 0 && design.height() > 0) {
        const double s = fit.skin.scale();
        fit.extraScale = std::min(available.width() / (design.width() * s),
                                  available.height() / (design.height() * s));
        fit.extraScale = std::clamp(fit.extraScale, 0.1, 1.0);
        // Rounding must not push it over the edge.
        while (!fits(fit) && fit.extraScale > 0.1)
            fit.extraScale -= 0.001;
    }
    return fit;
}
