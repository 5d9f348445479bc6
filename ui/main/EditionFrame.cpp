#include "ui/main/EditionFrame.h"

#include "app/AppContext.h"
#include "app/TextIds.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/SkinnedParts.h"

#include <QColor>
#include <QLabel>
#include <QMouseEvent>

EditionFrame::EditionFrame(QWidget* parent) : QDialog(parent, Qt::FramelessWindowHint | Qt::Window)
{
    const AppContext& app = appContext();
    background_ = QPixmap(app.skinDirectory + QStringLiteral("back_pixmap.png"));
    scale_ = background_.isNull() ? 1.0 : background_.width() / double(kDesignWidth);
    resize(scaled(0, 0, kDesignWidth, kDesignHeight).size());
    setWindowIcon(QIcon(app.skinDirectory + QStringLiteral("Vireto.png")));
    setWindowTitle(QStringLiteral("Vireto"));
    setAttribute(Qt::WA_TranslucentBackground); // the skin's rounded corners

    auto* title = new QLabel(app.text(kTextToolTitle), this);
    title->setGeometry(scaled(24, 8, 520, 44));
    title->setFont(app.skin.title.font());
    title->setStyleSheet(QString::fromLatin1(skinned_parts::kLabelStyle));

    version_ = new QLabel(QStringLiteral("V") + toolVersionText(app.subVersion), this);
    version_->setObjectName(QStringLiteral("version"));
    version_->setFont(app.skin.text.font());
    version_->setStyleSheet(QString::fromLatin1(skinned_parts::kLabelStyle));
    version_->setGeometry(scaled(kDesignWidth - 420, 14, 300, 32));
    version_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    connect(skinned_parts::minimiseButton(this, scaled(kDesignWidth - 96, 12, 36, 36)),
            &Button::clicked, this, &QWidget::showMinimized);
    connect(skinned_parts::quitButton(this, scaled(kDesignWidth - 52, 12, 36, 36)),
            &Button::clicked, this, &QWidget::close);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setWordWrap(true);
    status_->setAlignment(Qt::AlignCenter);
    status_->setFont(app.skin.heading.font());
    status_->setStyleSheet(QStringLiteral("color:rgb(255,255,255)"));
    status_->setGeometry(scaled(40, 470, kDesignWidth - 80, 80));

    auto* maker = new QLabel(app.text(kTextMaker), this);
    maker->setFont(app.skin.text.font());
    maker->setStyleSheet(QStringLiteral("color:rgba(225,236,248,150)"));
    maker->setGeometry(scaled(24, kDesignHeight - 40, 400, 28));
}

QRect EditionFrame::scaled(int x, int y, int w, int h) const
{
    return QRect(qRound(x * scale_), qRound(y * scale_), qRound(w * scale_), qRound(h * scale_));
}

QString EditionFrame::statusText() const
{
    return status_->text();
}

void EditionFrame::setStatus(const QString& text)
{
    status_->setText(text.trimmed());
}

void EditionFrame::setVersionText(const QString& text)
{
    version_->setText(text);
}

void EditionFrame::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void EditionFrame::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        dragOffset_ = QPoint(-1, -1);
}

void EditionFrame::mouseMoveEvent(QMouseEvent* event)
{
    if (dragOffset_ != QPoint(-1, -1))
        move(event->globalPosition().toPoint() - dragOffset_);
}

void EditionFrame::paintEvent(QPaintEvent*)
{
    skinned_parts::paintBackground(*this, background_, QColor(18, 44, 74));
}
