#include "ui/widgets/SkinnedParts.h"

#include "app/AppContext.h"
#include "ui/widgets/Button.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>

namespace skinned_parts {

const char* const kLabelStyle = "color:rgb(225,236,248)";

Button* pushButton(QWidget* parent, const QRect& geometry, bool small)
{
    auto* b = new Button(parent);
    b->setGeometry(geometry);
    if (small)
        b->setSkin(QStringLiteral("button_Normal2.png"), QStringLiteral("button_Focus2.png"),
                   QStringLiteral("button_Press2.png"), QStringLiteral("button_Enabled.png"));
    else
        b->setSkin(QStringLiteral("button_Normal.png"), QStringLiteral("button_Focus.png"),
                   QStringLiteral("button_Press.png"), QStringLiteral("button_Enabled.png"));
    // Dark captions on the light grey of a disabled button: readable, plainly not live.
    b->setColors(255, 255, 255, 255, 255, 255, 220, 232, 245, 52, 60, 72);
    b->setCaptionFont(appContext().skin.text.font());
    return b;
}

QLabel* label(QWidget* parent, const QRect& geometry)
{
    auto* l = new QLabel(parent);
    l->setGeometry(geometry);
    l->setFont(appContext().skin.text.font());
    l->setStyleSheet(QString::fromLatin1(kLabelStyle));
    return l;
}

QLineEdit* field(QWidget* parent, const QRect& geometry, bool enabled)
{
    auto* e = new QLineEdit(parent);
    e->setGeometry(geometry);
    e->setFont(appContext().skin.text.font());
    e->setEnabled(enabled);
    return e;
}

namespace {

Button* titleButton(QWidget* parent, const QRect& geometry, const QString& normal,
                    const QString& pressed)
{
    auto* b = new Button(parent);
    b->setSkin(normal, pressed, pressed, QString());
    b->setGeometry(geometry);
    return b;
}

} // namespace

Button* minimiseButton(QWidget* parent, const QRect& geometry)
{
    return titleButton(parent, geometry, QStringLiteral("min1.png"), QStringLiteral("min2.png"));
}

Button* quitButton(QWidget* parent, const QRect& geometry)
{
    return titleButton(parent, geometry, QStringLiteral("quit1.png"), QStringLiteral("quit2.png"));
}

void paintBackground(QWidget& window, const QPixmap& background, const QColor& fallback)
{
    QPainter painter(&window);
    if (!background.isNull())
        painter.drawPixmap(window.rect(), background);
    else
        painter.fillRect(window.rect(), fallback);
}

} // namespace skinned_parts
