#include "ui/main/LogPanel.h"

#include "app/AppContext.h"
#include "app/TextIds.h"
#include "ui/widgets/Button.h"

#include <QTextEdit>

LogPanel::LogPanel(QWidget* parent, const QRect& designRect, double scale)
    : EngineeringPanel(parent, designRect, scale), area_(new QTextEdit(this))
{
    area_->setObjectName(QStringLiteral("logArea"));
    area_->setReadOnly(true);
    area_->setGeometry(scaled(0, 0, 602, 166));
    area_->setFont(appContext().skin.text.font());
    Button* clearButton = addButton(kTextClear, QRect(482, 174, 120, 40));
    connect(clearButton, &Button::clicked, this, &LogPanel::clear);
}

void LogPanel::append(const QString& line)
{
    area_->append(line.trimmed());
}

void LogPanel::clear()
{
    area_->clear();
}
