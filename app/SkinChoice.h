#pragma once

#include <QFont>
#include <QSize>
#include <QString>

// The skin folder and the three fonts every window uses, chosen by the desktop size.
struct SkinChoice {
    struct FontSpec {
        QString family;
        int pointSize = 0;
        QFont font() const { return QFont(family, pointSize > 0 ? pointSize : 1); }
    };

    bool portrait = false; // width not greater than height: the height decides
    QString path;          // "./skin/1024/", "./skin/1440/" or "./skin/1920/"
    FontSpec title;
    FontSpec heading;
    FontSpec text;

    static SkinChoice forDesktop(int width, int height);
    // How this skin's images scale a drawing made for the 1920 skin: 1, 0.75 or 0.6.
    double scale() const;
    // The next smaller skin with its fonts (1920 gives 1440, 1440 gives 1024); false
    // for the 1024 skin.
    bool smaller(SkinChoice& next) const;
};

// Where a window drawn at design (1920-skin units) goes on a desktop whose free area is
// available: the desktop's own skin when it fits, else the largest smaller skin that
// fits; when even the 1024 skin does not, extraScale (below 1) shrinks it further.
struct WindowFit {
    SkinChoice skin;
    QSize design;
    double extraScale = 1.0;
    QSize size() const; // the window's size in pixels
};
WindowFit fitWindow(const SkinChoice& desktopSkin, QSize design, QSize available);
