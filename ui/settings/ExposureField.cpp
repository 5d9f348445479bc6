#include "ui/settings/ExposureField.h"

#include "app/AppContext.h"
#include "app/SettingsFile.h"
#include "device/ConfigSettings.h"
#include "device/Delay.h"
#include "ui/widgets/SkinnedParts.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr double kStepWaitMs = 500.0;

QPushButton* arrow(QWidget* parent, const QRect& r, const QString& name)
{
    auto* b = new QPushButton(parent);
    b->setGeometry(r);
    b->setFocusPolicy(Qt::NoFocus);
    const QString dir = appContext().skinDirectory + QStringLiteral("set/");
    b->setStyleSheet(QStringLiteral("QPushButton { border: none; border-image: url(%1%2.png); }"
                                    " QPushButton:pressed { border-image: url(%1%2_Press.png); }")
                         .arg(dir, name));
    return b;
}

} // namespace

ExposureField::ExposureField(QWidget* parent, const QRect& left, const QRect& value,
                             const QRect& right)
    : QObject(parent), left_(arrow(parent, left, QStringLiteral("arrow_left"))),
      value_(skinned_parts::label(parent, value)),
      right_(arrow(parent, right, QStringLiteral("arrow_right")))
{
    value_->setObjectName(QStringLiteral("exposure"));
    value_->setAlignment(Qt::AlignCenter);
    value_->setFont(appContext().skin.heading.font());
    connect(left_, &QPushButton::clicked, this, [this] { step(+1); });
    connect(right_, &QPushButton::clicked, this, [this] { step(-1); });
}

void ExposureField::setScale(int scale)
{
    scale_ = scale;
    value_->setText(QString::number(scale));
}

void ExposureField::step(int delta)
{
    if (waiting_)
        return;
    waiting_ = true;
    QTimer::singleShot(qRound(kStepWaitMs * delay::timeScale()), this, [this, delta] {
        waiting_ = false;
        setScale(config_settings::stepExposure(SettingsFile::vireto(), scale_, delta));
        emit stepped(scale_);
    });
}
