#include "ui/maintenance/RegisterPanel.h"

#include "app/TextIds.h"
#include "device/DeviceJob.h"
#include "maintenance/MaintenanceState.h"
#include "maintenance/RegisterPanelAccess.h"
#include "ui/widgets/Button.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

RegisterPanel::RegisterPanel(QWidget* parent, const QRect& designRect, double scale, Device& device,
                             Deferrer defer)
    : EngineeringPanel(parent, designRect, scale), device_(device), defer_(std::move(defer))
{
    const QRegularExpression hex(QString::fromLatin1(register_panel::kFieldPattern));
    addLabel(-1, QRect(0, 0, 150, 36))->setText(QStringLiteral("Reg Addr(HEX)"));
    address_ = addField(QRect(150, 0, 130, 36), true);
    address_->setObjectName(QStringLiteral("regAddress"));
    address_->setValidator(new QRegularExpressionValidator(hex, address_));
    addLabel(-1, QRect(300, 0, 70, 36))->setText(QStringLiteral("Value"));
    value_ = addField(QRect(370, 0, 110, 36), true);
    value_->setObjectName(QStringLiteral("regValue"));
    value_->setValidator(new QRegularExpressionValidator(hex, value_));
    sensor_ = new QCheckBox(QStringLiteral("Sensor"), this);
    sensor_->setGeometry(scaled(500, 0, 110, 36));
    slave_ = new QCheckBox(QStringLiteral("Slave"), this);
    slave_->setGeometry(scaled(500, 40, 110, 36));
    slave_->setChecked(g_useSlave != 0);
    connect(slave_, &QCheckBox::toggled, this, &RegisterPanel::slaveToggled);
    write_ = addButton(kTextWrite, QRect(0, 46, 120, 40));
    connect(write_, &Button::clicked, this, &RegisterPanel::writeRequested);
    read_ = addButton(kTextRead, QRect(136, 46, 120, 40));
    connect(read_, &Button::clicked, this, &RegisterPanel::readRequested);
    Button* status = addButton(-1, QRect(272, 46, 120, 40));
    status->setCaption(QStringLiteral("GetStatus"));
    connect(status, &Button::clicked, this, &RegisterPanel::getStatusRequested);
}

void RegisterPanel::applySlaveBox()
{
    g_useSlave = slave_->isChecked() ? 1 : 0;
}

bool RegisterPanel::busy(const Button* button) const
{
    return (button == write_ || button == read_) && pending_;
}

bool RegisterPanel::startAccess(bool write)
{
    if (pending_)
        return false;
    register_panel::Fields fields;
    fields.address = address_->text();
    fields.value = value_->text();
    fields.sensor = sensor_->isChecked();
    fields.slave = slave_->isChecked();
    QString problem;
    const auto access = register_panel::prepare(fields, write, problem);
    if (!access) {
        emit statusMessage(problem);
        emit logLine(problem);
        return false;
    }
    auto result = std::make_shared<register_panel::Result>();
    pending_ = result;
    updateButtons();
    Device* device = &device_;
    const register_panel::Access a = *access;
    std::function<int()> run = [device, a, result] {
        return register_panel::run(*device, a, *result);
    };
    deferred_ = defer_ && defer_(run);
    if (deferred_)
        return true;
    auto* job = new DeviceJob(run, this);
    connect(job, &DeviceJob::sendData, this, &RegisterPanel::accessReported);
    job->startJob();
    return true;
}

void RegisterPanel::accessReported(int code)
{
    if (!pending_ || !pending_->ran || pending_->code != code)
        return;
    const std::shared_ptr<register_panel::Result> result = std::move(pending_);
    pending_.reset();
    updateButtons();
    emit logLine(result->logLine);
    // A failure's message, or none: the status line shows its text again.
    emit statusMessage(result->status);
    if (!result->status.isEmpty())
        return;
    address_->setText(register_panel::fieldText(result->address));
    value_->setText(register_panel::fieldText(result->value));
}

void RegisterPanel::previewEnded()
{
    if (!pending_ || !deferred_ || pending_->ran)
        return;
    pending_.reset();
    updateButtons();
    const QString line =
        QStringLiteral("The register access was not made: the frame is not usable");
    emit statusMessage(line);
    emit logLine(line);
}
