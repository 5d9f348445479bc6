#include "ui/widgets/FileChoice.h"

#include <QFileDialog>

namespace file_choice {

namespace {

Answerer& answerer()
{
    static Answerer a;
    return a;
}

} // namespace

void setAnswerer(Answerer a)
{
    answerer() = std::move(a);
}

QString choose(QWidget* parent, Purpose purpose, const QString& filter)
{
    if (answerer())
        return answerer()(purpose, filter);
    const QString title = QStringLiteral("Open Files ");
    const QString folder = QStringLiteral("./");
    return purpose == Purpose::Open ? QFileDialog::getOpenFileName(parent, title, folder, filter)
                                    : QFileDialog::getSaveFileName(parent, title, folder, filter);
}

} // namespace file_choice
