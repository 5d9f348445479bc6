#pragma once

#include <QFont>
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
};
