#include "ui/main/ViretoTest.h"

#include "app/AppContext.h"
#include "app/TextIds.h"
#include "device/DeviceJobQueue.h"
#include "device/ModeSwitch.h"
#include "device/PresenceMonitor.h"
#include "ui/main/EditionSteps.h"
#include "ui/main/FrameWatch.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/SkinnedParts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QRadioButton>

namespace {

QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

ViretoTest::ViretoTest(Device& device, QWidget* parent)
    : EditionFrame(parent), device_(device), logic_(device, *this),
      jobs_(std::make_unique<DeviceJobQueue>())
{
    AppContext& app = appContext();
    // The skin's radio pictures, as large as the text.
    const int mark = QFontMetrics(app.skin.text.font()).height();
    setStyleSheet(
        QStringLiteral("QRadioButton, QCheckBox { color: rgb(225,236,248); spacing: %1px; }"
                       " QRadioButton:disabled, QCheckBox:disabled { color: rgb(130,145,165); }"
                       " QRadioButton::indicator, QCheckBox::indicator { width: %2px; height: "
                       "%2px; }"
                       " QRadioButton:focus, QCheckBox:focus { text-decoration: underline; }"
                       " QRadioButton::indicator:checked { image: url(%3set/radio_on.png); }"
                       " QRadioButton::indicator:unchecked { image: url(%3set/radio_off.png); }")
            .arg(mark / 2)
            .arg(mark)
            .arg(app.skinDirectory));

    // A radio button or check box with its caption's font, at its place.
    auto placed = [](auto* option, const QFont& font, const QRect& at) {
        option->setFont(font);
        option->setGeometry(at);
        return option;
    };
    const QFont headingFont = app.skin.heading.font();
    const QFont textFont = app.skin.text.font();
    auto radio = [this](const char* caption) { return new QRadioButton(text(caption), this); };
    // The test choice, then the flash test's options under it.
    flashTest_ = placed(radio(factory_texts::kFlashTest), headingFont, scaled(80, 100, 280, 44));
    imageTest_ = placed(radio(factory_texts::kImageTest), headingFont, scaled(380, 100, 220, 44));
    sensorTest_ = placed(radio(factory_texts::kSensorTest), headingFont, scaled(620, 100, 260, 44));
    auto* tests = new QButtonGroup(this);
    for (QRadioButton* r : {flashTest_, imageTest_, sensorTest_})
        tests->addButton(r);
    flashTest_->setChecked(true);

    compareAll_ = placed(radio(factory_texts::kCompareAll), textFont, scaled(120, 168, 300, 40));
    skipParts_ = placed(radio(factory_texts::kSkipParts), textFont, scaled(440, 168, 300, 40));
    auto* flashChoice = new QButtonGroup(this);
    flashChoice->addButton(compareAll_);
    flashChoice->addButton(skipParts_);
    compareAll_->setChecked(true);

    auto check = [this](const char* caption) { return new QCheckBox(text(caption), this); };
    exposure_ = placed(check(factory_texts::kExposure), textFont, scaled(160, 222, 200, 40));
    columns_ = placed(check(factory_texts::kColumns), textFont, scaled(380, 222, 220, 40));
    lines_ = placed(check(factory_texts::kLines), textFont, scaled(620, 222, 200, 40));
    for (QRadioButton* r : {flashTest_, imageTest_, sensorTest_, compareAll_, skipParts_})
        connect(r, &QRadioButton::toggled, this, &ViretoTest::refreshFlashOptions);

    start_ = skinned_parts::pushButton(this, scaled(250, 330, 200, 56), false);
    start_->setCaption(text(factory_texts::kStart));
    start_->setCaptionFont(app.skin.heading.font());
    stop_ = skinned_parts::pushButton(this, scaled(510, 330, 200, 56), false);
    stop_->setCaption(text(factory_texts::kStop));
    stop_->setCaptionFont(app.skin.heading.font());
    connect(start_, &Button::clicked, this, &ViretoTest::StartTestSlot);
    connect(stop_, &Button::clicked, this, &ViretoTest::CloseTestSlot);
    start_->setButtonEnabled(false);
    stop_->setButtonEnabled(false);
    refreshFlashOptions();
    setStatus(app.text(kTextDeviceChecking));

    connect(&logic_, &FactoryTestLogic::testCode, this, &ViretoTest::recvShowData);
    app.log.startRun(app.toolMode, app.subFunction);
    monitor_ = watchForFrame<GetDeviceConfigThreadTest>(*this, device_);
}

ViretoTest::~ViretoTest()
{
    monitor_->stop();
    logic_.stopAndWait();
}

QRadioButton* ViretoTest::testChoice(FactoryTestChoice::Test test) const
{
    switch (test) {
    case FactoryTestChoice::Image:
        return imageTest_;
    case FactoryTestChoice::Sensor:
        return sensorTest_;
    case FactoryTestChoice::Flash:
        break;
    }
    return flashTest_;
}

FactoryTestChoice ViretoTest::choice() const
{
    FactoryTestChoice c;
    c.test = imageTest_->isChecked()    ? FactoryTestChoice::Image
             : sensorTest_->isChecked() ? FactoryTestChoice::Sensor
                                        : FactoryTestChoice::Flash;
    c.skipParts = skipParts_->isChecked();
    c.skipExposure = exposure_->isChecked();
    c.skipColumns = columns_->isChecked();
    c.skipLines = lines_->isChecked();
    return c;
}

void ViretoTest::refreshFlashOptions()
{
    const bool flash = optionsEnabled_ && flashTest_->isChecked();
    for (QRadioButton* r : {flashTest_, imageTest_, sensorTest_})
        r->setEnabled(optionsEnabled_);
    compareAll_->setEnabled(flash);
    skipParts_->setEnabled(flash);
    for (QCheckBox* c : {exposure_, columns_, lines_})
        c->setEnabled(flash && skipParts_->isChecked());
}

// --- FactoryTestView ------------------------------------------------------------------

void ViretoTest::showStatus(const QString& text)
{
    setStatus(text);
}

void ViretoTest::setStartEnabled(bool enabled)
{
    start_->setButtonEnabled(enabled);
}

void ViretoTest::setStopEnabled(bool enabled)
{
    stop_->setButtonEnabled(enabled);
}

void ViretoTest::setOptionsEnabled(bool enabled)
{
    optionsEnabled_ = enabled;
    refreshFlashOptions();
}

// --- Slots ------------------------------------------------------------------------------

void ViretoTest::recvShowData(int code)
{
    logic_.handleCode(code);
}

void ViretoTest::StartTestSlot()
{
    if (start_->isButtonEnabled())
        logic_.startTest(choice());
}

void ViretoTest::CloseTestSlot()
{
    if (stop_->isButtonEnabled())
        logic_.stopTest();
}

void ViretoTest::FindHidDevice()
{
    monitor_->deviceChanged();
}

void ViretoTest::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        close();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter: // Tab and Space choose the test, Return starts or stops it
        if (start_->isButtonEnabled())
            StartTestSlot();
        else
            CloseTestSlot();
        return;
    default:
        EditionFrame::keyPressEvent(event);
    }
}

void ViretoTest::closeEvent(QCloseEvent* event)
{
    // A running test ends first; then the frame goes back to work mode.
    logic_.stopAndWait();
    monitor_->stop();
    if (edition_steps::queueWorkModeOnClose(*jobs_, this, device_))
        jobs_->drain();
    appContext().log.log("Vireto log end!\n");
    event->accept();
}
