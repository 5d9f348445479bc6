#include "ui/main/EditionPlaceholder.h"

#include "app/AppContext.h"
#include "app/TextIds.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

QString editionName(int toolMode, int subFunction)
{
    QString name;
    switch (chooseEdition(toolMode, subFunction)) {
    case Edition::User:
        name = QStringLiteral("User edition");
        break;
    case Edition::FactoryTest:
        name = QStringLiteral("Factory test edition");
        break;
    case Edition::SingleFunction:
        name = QStringLiteral("Single-function edition");
        break;
    case Edition::Engineering:
        name = QStringLiteral("Engineering edition");
        break;
    }
    return name + QStringLiteral(" (tool mode %1, sub-function %2)").arg(toolMode).arg(subFunction);
}

EditionPlaceholder::EditionPlaceholder(QWidget* parent) : QWidget(parent, Qt::FramelessWindowHint)
{
    AppContext& app = appContext();
    setWindowTitle(QStringLiteral("Vireto"));
    setWindowIcon(QIcon(app.skinDirectory + QStringLiteral("Vireto.png")));
    setObjectName(QStringLiteral("placeholder"));
    setStyleSheet(
        QStringLiteral("#placeholder { background: rgb(18,44,74); } QLabel { color: white; }"));

    auto* layout = new QVBoxLayout(this);
    auto* title =
        new QLabel(QStringLiteral("Vireto V%1").arg(toolVersionText(app.subVersion)), this);
    title->setFont(app.skin.title.font());
    auto* edition = new QLabel(editionName(app.toolMode, app.subFunction), this);
    edition->setObjectName(QStringLiteral("edition"));
    edition->setFont(app.skin.heading.font());
    auto* details = new QLabel(
        QStringLiteral("Language %1\nSkin %2").arg(app.languageIndex).arg(app.skinDirectory), this);
    details->setObjectName(QStringLiteral("details"));
    details->setFont(app.skin.text.font());
    auto* status = new QLabel(app.text(kTextNoFrame), this);
    status->setObjectName(QStringLiteral("status"));
    status->setFont(app.skin.text.font());
    auto* quit = new QPushButton(app.text(kTextExitTitle), this);
    connect(quit, &QPushButton::clicked, this, &QWidget::close);
    for (QWidget* w : {static_cast<QWidget*>(title), static_cast<QWidget*>(edition),
                       static_cast<QWidget*>(details), static_cast<QWidget*>(status),
                       static_cast<QWidget*>(quit)})
        layout->addWidget(w);
    resize(640, 360);

    app.log.startRun(app.toolMode, app.subFunction);
}

void EditionPlaceholder::closeEvent(QCloseEvent* event)
{
    appContext().log.log("Vireto log end!\n");
    event->accept();
}

void EditionPlaceholder::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

void EditionPlaceholder::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void EditionPlaceholder::mouseMoveEvent(QMouseEvent* event)
{
    if (dragOffset_ != QPoint(-1, -1))
        move(event->globalPosition().toPoint() - dragOffset_);
}

void EditionPlaceholder::mouseReleaseEvent(QMouseEvent*)
{
    dragOffset_ = QPoint(-1, -1);
}
