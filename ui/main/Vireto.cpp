#include "ui/main/Vireto.h"

#include "app/AppContext.h"
#include "app/SettingsFile.h"
#include "app/TextIds.h"
#include "calibration/CalibrationImages.h"
#include "calibration/CalibrationRunState.h"
#include "calibration/StoredRecord.h"
#include "device/DeviceJob.h"
#include "device/DeviceJobQueue.h"
#include "device/DeviceState.h"
#include "device/PresenceMonitor.h"
#include "imaging/LineImages.h"
#include "maintenance/FirmwareUpdateRunner.h"
#include "maintenance/MaintenanceState.h"
#include "transport/VirtualScene.h"
#include "ui/calibration/CalibrationCheckWin.h"
#include "ui/calibration/CalibrationWin.h"
#include "ui/calibration/KeyCalibrationWin.h"
#include "ui/calibration/KeyTestWin.h"
#include "ui/leveling/AdjustScreenWin.h"
#include "ui/leveling/PreviewPanel.h"
#include "ui/main/EditionSteps.h"
#include "ui/main/FrameWatch.h"
#include "ui/main/LanguagePanel.h"
#include "ui/main/LogPanel.h"
#include "ui/maintenance/FirmwareFileChoice.h"
#include "ui/maintenance/FirmwarePanel.h"
#include "ui/maintenance/FlashPanel.h"
#include "ui/maintenance/FpgaDownloadPanel.h"
#include "ui/maintenance/RegisterPanel.h"
#include "ui/maintenance/ScriptPanel.h"
#include "ui/settings/SetWin.h"
#include "ui/settings/SingleSetWin.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/FileChoice.h"
#include "ui/widgets/MyMessageBox.h"
#include "ui/widgets/SkinnedParts.h"
#include "ui/widgets/TouchScreen.h"

#include <QApplication>
#include <QCloseEvent>
#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>

#include <memory>

namespace {

// The layouts are drawn for the 1920 skin; the other skins scale them.
constexpr int kDesignWidth = 960;
constexpr int kDesignHeight = 600;
constexpr int kPanelWidth = 1344;
constexpr int kPanelHeight = 900;
// The engineering layout's title band, by which it is dragged.
constexpr int kTitleBand = 90;
// Pixels kept free around a window on its desktop.
constexpr int kScreenMargin = 16;

using skinned_parts::kLabelStyle;
const char* const kStatusStyle = "color:rgb(255,255,255)";
const char* const kPanelStyle =
    "QLineEdit, QTextEdit, QComboBox { background: rgba(255,255,255,225); color: rgb(0,38,102);"
    " border: 1px solid rgb(120,160,200); border-radius: 4px; padding: 2px 6px; }"
    " QLineEdit:focus, QTextEdit:focus, QComboBox:focus { border: 2px solid rgb(255,196,64); }"
    " QCheckBox { color: rgb(225,236,248); }"
    " QCheckBox:focus { color: rgb(255,214,110); }"
    " QLineEdit:disabled, QComboBox:disabled { background: rgba(255,255,255,120); color: "
    "rgb(90,100,110); }"
    " QProgressBar { background: rgba(255,255,255,60); border: 1px solid rgb(120,160,200);"
    " border-radius: 4px; color: rgb(255,255,255); text-align: center; }"
    " QProgressBar::chunk { background: rgb(64,160,230); border-radius: 3px; }";

} // namespace

Vireto::Vireto(Device& device, std::shared_ptr<VirtualScene> scene, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Window), device_(device),
      scene_(std::move(scene)), logic_(device, *this, appContext().toolMode),
      toolMode_(appContext().toolMode), jobs_(std::make_unique<DeviceJobQueue>())
{
    logic_.setFastModeSource([] { return calibrationRunState().fastMode.load(); });
    AppContext& app = appContext();
    const SettingsFile ini = SettingsFile::vireto();
    shortcutsEnabled_ =
        ini.readInt(QStringLiteral("Shortcut_keys"), QStringLiteral("Shortcuts_en"), 0) == 1;
    keyTestEnabled_ =
        ini.readInt(QStringLiteral("Shortcut_keys"), QStringLiteral("Shortcuts_test"), 0) == 1;
    imagePath_ =
        ini.readText(QStringLiteral("ImagePath"), QStringLiteral("imagePath"), QStringLiteral("0"));
    readWaitFrameCount(ini);

    // The whole window on the desktop, its close button included: a layout too large
    // for the desktop's own skin takes a smaller one (and shrinks further if need be).
    const bool panels = toolMode_ == 2;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    // A margin, so that the window does not fill the desktop edge to edge.
    const QSize room = available.size() - QSize(2 * kScreenMargin, 2 * kScreenMargin);
    const WindowFit fit = fitWindow(
        app.skin, QSize(panels ? kPanelWidth : kDesignWidth, panels ? kPanelHeight : kDesignHeight),
        room);
    if (fit.skin.path != app.skin.path) {
        app.useSkin(fit.skin);
        // The fields and boxes follow the skin (the window's own font was taken before).
        QApplication::setFont(app.skin.text.font());
        setFont(app.skin.text.font());
    }
    background_ = QPixmap(app.skinDirectory + QStringLiteral("back_pixmap.png"));
    scale_ =
        (background_.isNull() ? 1.0 : background_.width() / double(kDesignWidth)) * fit.extraScale;
    resize(scaled(0, 0, panels ? kPanelWidth : kDesignWidth, panels ? kPanelHeight : kDesignHeight)
               .size());
    move(available.center() - QPoint(width() / 2, height() / 2));
    setWindowIcon(QIcon(app.skinDirectory + QStringLiteral("Vireto.png")));
    setWindowTitle(QStringLiteral("Vireto"));
    setAttribute(Qt::WA_TranslucentBackground); // the skin's rounded corners
    setStyleSheet(QString::fromLatin1(kPanelStyle));

    firmware_ =
        std::make_unique<FirmwareUpdateRunner>(device_, static_cast<FirmwareUpdateView&>(*this));
    // The update stores the image it wrote; closing must not put the old one back.
    connect(firmware_.get(), &FirmwareUpdateRunner::stateChanged, this, [this] {
        imagePath_ = SettingsFile::vireto().readText(QStringLiteral("ImagePath"),
                                                     QStringLiteral("imagePath"), imagePath_);
    });
    buildCommon();
    const std::vector<MenuEntry> entries = menuEntries();
    if (panels) {
        buildMenu(entries, scaled(24, 100, kPanelWidth - 48, 130));
        buildEngineeringPanels();
    } else {
        buildMenu(entries, scaled(24, 104, kDesignWidth - 48, 210));
    }
    for (QWidget* child : findChildren<QWidget*>()) {
        child->installEventFilter(this);
        child->setMouseTracking(true);
    }
    setMouseTracking(true);
    refreshCaptions();
    // The user and production menus wait for a checked frame; the other layouts guard
    // each function instead.
    setMenuButtonsEnabled(toolMode_ != 0 && toolMode_ != 1);
    showStatusText(kTextDeviceChecking);

    previewLineCount = 8;
    app.log.startRun(toolMode_, app.subFunction);

    monitor_ = watchForFrame<GetDeviceConfigThread>(*this, device_);
}

Vireto::~Vireto()
{
    delete adjustScreen_.data();
    if (monitor_)
        monitor_->stop();
    firmware_.reset();
}

QRect Vireto::scaled(int x, int y, int w, int h) const
{
    return QRect(qRound(x * scale_), qRound(y * scale_), qRound(w * scale_), qRound(h * scale_));
}

Button* Vireto::makeButton(int text, const QRect& geometry, bool small)
{
    Button* b = skinned_parts::pushButton(this, geometry, small);
    if (text >= 0)
        captioned_.emplace_back(b, text);
    return b;
}

void Vireto::buildCommon()
{
    const AppContext& app = appContext();
    auto* title = new QLabel(this);
    title->setGeometry(scaled(24, 8, 520, 44));
    title->setFont(app.skin.title.font());
    title->setStyleSheet(QString::fromLatin1(kLabelStyle));
    labels_.emplace_back(title, kTextToolTitle);

    version_ = new QLabel(QStringLiteral("V") + toolVersionText(app.subVersion), this);
    version_->setObjectName(QStringLiteral("version"));
    version_->setFont(app.skin.text.font());
    version_->setStyleSheet(QString::fromLatin1(kLabelStyle));
    const int right = width() / scale_;
    version_->setGeometry(scaled(right - 250, 14, 130, 32));
    version_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    connect(skinned_parts::minimiseButton(this, scaled(right - 96, 12, 36, 36)), &Button::clicked,
            this, &Vireto::MinimizeButSlot);
    connect(skinned_parts::quitButton(this, scaled(right - 52, 12, 36, 36)), &Button::clicked, this,
            &Vireto::QuitButSlot);

    const bool panels = toolMode_ == 2;
    const int bottom = height() / scale_;
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setWordWrap(true);
    status_->setAlignment(Qt::AlignCenter);
    status_->setFont(app.skin.heading.font());
    status_->setStyleSheet(QString::fromLatin1(kStatusStyle));
    status_->setGeometry(panels ? scaled(24, bottom - 70, right - 48, 56)
                                : scaled(40, 340, right - 80, 80));

    // The equipment test, the reset, the key test and the check on screen sit under the
    // menu (beside the panels in layout 2).
    const int rowButtons = keyTestEnabled_ ? 4 : 3;
    const int rowY = panels ? 244 : 450;
    const int rowX = panels ? right - 24 - rowButtons * 162 : (right - rowButtons * 184 + 24) / 2;
    const int w = panels ? 150 : 160;
    const int step = panels ? 162 : 184;
    const int h = panels ? 40 : 48;
    int x = rowX;
    auto next = [&](int text) {
        Button* b = makeButton(text, scaled(x, rowY, w, h), panels);
        x += step;
        return b;
    };
    testButton_ = next(kTextTest);
    connect(testButton_, &Button::clicked, this, &Vireto::TestButSlot);
    resetButton_ = next(kTextReconnect);
    connect(resetButton_, &Button::clicked, this, &Vireto::ResetButSlot);
    if (keyTestEnabled_) {
        keyTestButton_ = next(kTextKeyTest);
        connect(keyTestButton_, &Button::clicked, this, &Vireto::KeyTestButSlot);
    }
    // Not in the language table: a function this tool adds.
    checkButton_ = next(-1);
    checkButton_->setCaption(QStringLiteral("Check"));
    connect(checkButton_, &Button::clicked, this, &Vireto::CheckButSlot);
    if (toolMode_ == 5) {
        updatePush_ = makeButton(kTextUpdateTitle, scaled((right - 200) / 2, 520, 200, 48), false);
        updatePush_->setButtonEnabled(false);
        connect(updatePush_, &Button::clicked, this, &Vireto::FirmwareUpdate);
    }
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("updateProgress"));
    progress_->setRange(0, 100);
    progress_->setFont(app.skin.text.font());
    progress_->setGeometry(panels ? scaled(24, bottom - 96, right - 48, 20)
                                  : scaled(120, 424, right - 240, 20));
    progress_->hide();

    auto* maker = new QLabel(this);
    maker->setFont(app.skin.text.font());
    maker->setStyleSheet(QStringLiteral("color:rgba(225,236,248,150)"));
    maker->setGeometry(panels ? scaled(24, bottom - 16 - 24, 400, 24)
                              : scaled(24, bottom - 40, 400, 28));
    labels_.emplace_back(maker, kTextMaker);
}

std::vector<Vireto::MenuEntry> Vireto::menuEntries() const
{
    // Functions whose windows are not part of this build are shown but stay disabled.
    const MenuEntry leveling{2,
                             {"MP_adjustScreen.png", "MP_adjustScreen1.png", "MP_adjustScreen2.png",
                              "MP_adjustScreen3.png"},
                             true,
                             &Vireto::AdjustScreenButSlot};
    const MenuEntry userSet{1,
                            {"User_set.png", "User_set1.png", "User_set2.png", "User_set3.png"},
                            true,
                            &Vireto::SetButSlot};
    const MenuEntry productionSet{1,
                                  {"MP1_set.png", "MP1_set1.png", "MP1_set2.png", "MP1_set3.png"},
                                  true,
                                  &Vireto::SetButSlot};
    const MenuEntry userCalibrate{4,
                                  {"User2_calibration.png", "User2_calibration1.png",
                                   "User2_calibration2.png", "User2_calibration3.png"},
                                  true,
                                  &Vireto::AlignmentButSlot};
    const MenuEntry productionCalibrate{
        4,
        {"MP_calibration.png", "MP_calibration1.png", "MP_calibration2.png", "MP_calibration3.png"},
        true,
        &Vireto::AlignmentButSlot};
    const MenuEntry update{5,
                           {"update.png", "update1.png", "update2.png", "update3.png"},
                           true,
                           &Vireto::FirmwareUpdateButSlot};
    const MenuEntry versions{
        3, {"about.png", "about1.png", "about2.png", "about3.png"}, true, &Vireto::AboutButSlot};
    const MenuEntry shortcuts{
        6,
        {"keyCalibration.png", "keyCalibration1.png", "keyCalibration2.png", "keyCalibration3.png"},
        true,
        &Vireto::KeyCalibrationButSlot};
    if (toolMode_ == 0)
        return shortcutsEnabled_
                   ? std::vector<MenuEntry>{userCalibrate, shortcuts, userSet, versions}
                   : std::vector<MenuEntry>{userCalibrate, userSet, versions};
    return shortcutsEnabled_ ? std::vector<MenuEntry>{leveling,      productionCalibrate,
                                                      productionSet, shortcuts,
                                                      update,        versions}
                             : std::vector<MenuEntry>{leveling, productionSet, productionCalibrate,
                                                      update, versions};
}

void Vireto::buildMenu(const std::vector<MenuEntry>& entries, const QRect& area)
{
    const int n = static_cast<int>(entries.size());
    const int tile = std::min(area.height(), (area.width() - (n - 1) * area.width() / 40) / n);
    const int gap = n > 1 ? (area.width() - n * tile) / (n + 1) : 0;
    for (int i = 0; i < n; ++i) {
        const MenuEntry& e = entries[static_cast<size_t>(i)];
        auto* b = new Button(this);
        b->setSkin(QString::fromLatin1(e.images[0]), QString::fromLatin1(e.images[1]),
                   QString::fromLatin1(e.images[2]), QString::fromLatin1(e.images[3]));
        // A grey tile keeps a dark caption, readable on its light face.
        b->setColors(255, 255, 255, 255, 255, 255, 230, 240, 250, 38, 44, 54);
        b->setGeometry(area.x() + gap + i * (tile + gap), area.y() + (area.height() - tile) / 2,
                       tile, tile);
        b->setAlignmentValue(1);
        b->setCaptionFont(appContext().skin.heading.font());
        if (e.slot)
            connect(b, &Button::clicked, this, e.slot);
        menu_.push_back(b);
        menuTexts_.push_back(e.text);
        menuAvailable_.push_back(e.available);
        captioned_.emplace_back(b, e.text);
    }
}

void Vireto::buildEngineeringPanels()
{
    // Left column: downloads, scripts, the raw preview; right column: registers, flash,
    // firmware, language and the log area.
    auto defer = [this](std::function<int()> access) {
        return deferRegisterAccess(std::move(access));
    };
    panels_ = {
        fpga_ = new FpgaDownloadPanel(this, QRect(24, 298, 612, 40), scale_, device_),
        script_ = new ScriptPanel(this, QRect(24, 348, 612, 40), scale_, device_),
        previewPanel_ = new PreviewPanel(this, QRect(24, 402, 612, 322), scale_, device_),
        register_ = new RegisterPanel(this, QRect(672, 300, 610, 86), scale_, device_, defer),
        flash_ = new FlashPanel(this, QRect(672, 402, 602, 40), scale_, device_),
        firmwarePanel_ = new FirmwarePanel(this, QRect(672, 452, 602, 40), scale_),
        languagePanel_ = new LanguagePanel(this, QRect(672, 506, 380, 36), scale_),
        logPanel_ = new LogPanel(this, QRect(672, 558, 602, 214), scale_),
    };
    connect(register_, &RegisterPanel::getStatusRequested, this, &Vireto::FingerIntoButSlot);
    connect(register_, &RegisterPanel::writeRequested, this, &Vireto::WriteButSlot);
    connect(register_, &RegisterPanel::readRequested, this, &Vireto::ReadButSlot);
    connect(register_, &RegisterPanel::slaveToggled, this, &Vireto::SlaveCButSlot);
    connect(register_, &RegisterPanel::logLine, logPanel_, &LogPanel::append);
    connect(register_, &RegisterPanel::statusMessage, this, &Vireto::showStatusMessage);
    connect(previewPanel_, &PreviewPanel::accessReported, register_,
            &RegisterPanel::accessReported);
    connect(previewPanel_, &PreviewPanel::previewEnded, register_, &RegisterPanel::previewEnded);
    connect(fpga_, &FpgaDownloadPanel::browseRequested, this, &Vireto::FPGAbrowseButSlot);
    connect(fpga_, &FpgaDownloadPanel::actionRequested, this, &Vireto::DownloadButSlot);
    connect(script_, &ScriptPanel::browseRequested, this, &Vireto::ScriptBrowseButSlot);
    connect(script_, &ScriptPanel::actionRequested, this, &Vireto::RunScriptButSlot);
    for (PathActionPanel* panel :
         {static_cast<PathActionPanel*>(fpga_), static_cast<PathActionPanel*>(script_)})
        connect(panel, &PathActionPanel::logLines, this, [this](const QStringList& lines) {
            for (const QString& line : lines)
                logPanel_->append(line);
        });
    connect(flash_, &FlashPanel::eraseRequested, this, &Vireto::EraseFlashSlot);
    connect(flash_, &FlashPanel::readRequested, this, &Vireto::ReadFlashSlot);
    connect(flash_, &FlashPanel::writeRequested, this, &Vireto::WriteFlashSlot);
    connect(flash_, &FlashPanel::statusMessage, this, &Vireto::showStatusMessage);
    connect(flash_, &FlashPanel::operationFinished, this,
            [this](FlashPanel::Operation operation, bool ok, bool workMode) {
                flashFinished(static_cast<int>(operation), ok, workMode);
            });
    connect(firmwarePanel_, &FirmwarePanel::browseRequested, this, &Vireto::BrowseButSlot);
    connect(firmwarePanel_, &FirmwarePanel::updateRequested, this, &Vireto::FirmwareUpdate);
    connect(languagePanel_, &LanguagePanel::languageChosen, this, &Vireto::LanguageCBoxSlot);
    connect(previewPanel_, &PreviewPanel::previewRequested, this, &Vireto::PreviewButSlot);
}

void Vireto::refreshCaptions()
{
    const AppContext& app = appContext();
    // Russian captions run long: they get the smaller text font.
    const QFont captionFont =
        app.languageIndex == 2 ? app.skin.text.font() : app.skin.heading.font();
    for (auto& [button, text] : captioned_) {
        button->setCaption(app.text(text));
        if (std::find(menu_.begin(), menu_.end(), button) != menu_.end())
            button->setCaptionFont(captionFont);
    }
    for (auto& [label, text] : labels_)
        label->setText(app.text(text));
    for (EngineeringPanel* panel : panels_)
        panel->refreshTexts();
}

void Vireto::startMonitor()
{
    monitor_->startMonitor();
}

QString Vireto::statusText() const
{
    return status_->text();
}

QTextEdit* Vireto::logArea() const
{
    return logPanel_ ? logPanel_->area() : nullptr;
}

CalibrationWin* Vireto::calibrationWin() const
{
    return calibrationWin_.data();
}

CalibrationCheckWin* Vireto::checkWin() const
{
    return checkWin_.data();
}

SettingsDialog* Vireto::setWin() const
{
    return setWin_.data();
}

KeyCalibrationWin* Vireto::keyCalibrationWin() const
{
    return keyCalibrationWin_.data();
}

KeyTestWin* Vireto::keyTestWin() const
{
    return keyTestWin_.data();
}

QComboBox* Vireto::languageBox() const
{
    return languagePanel_ ? languagePanel_->selector() : nullptr;
}

// --- MainWindowView ------------------------------------------------------------

void Vireto::showStatusText(int textIndex)
{
    status_->setText(appContext().text(textIndex).trimmed());
}

void Vireto::setMenuButtonsEnabled(bool enabled)
{
    for (size_t i = 0; i < menu_.size(); ++i)
        menu_[i]->setButtonEnabled(enabled && menuAvailable_[i] && !toolsLocked() && !closing_);
}

void Vireto::setUpdateButtonEnabled(bool enabled)
{
    if (updatePush_)
        updatePush_->setButtonEnabled(enabled && !toolsLocked());
}

void Vireto::hideProgress()
{
    progress_->hide();
}

void Vireto::showProgress(int value)
{
    progress_->setValue(value);
    progress_->show();
}

void Vireto::showText(int textIndex)
{
    logic_.showText(textIndex);
}

void Vireto::showStatusMessage(const QString& message)
{
    if (message.isEmpty())
        showStatusText(logic_.currentTextIndex());
    else
        status_->setText(message);
}

bool Vireto::toolsLocked() const
{
    return flashLock_ || updateLock_ || firmware_->busy();
}

void Vireto::setToolsEnabled(bool enabled)
{
    updateLock_ = !enabled;
    applyToolLock();
}

void Vireto::applyToolLock()
{
    const bool free = !toolsLocked();
    // The user and production menus follow the frame (codes 13 and 15); a lock only
    // takes them away for its time.
    if (toolMode_ == 2 || !free || g_bDevExist)
        setMenuButtonsEnabled(free);
    testButton_->setButtonEnabled(free);
    resetButton_->setButtonEnabled(free);
    setUpdateButtonEnabled(free && g_bDevExist);
    for (EngineeringPanel* panel : panels_)
        if (panel != logPanel_ && panel != languagePanel_)
            panel->setToolsEnabled(free);
}

void Vireto::releaseUpdateLock()
{
    if (updateLock_ && !firmware_->busy()) {
        updateLock_ = false;
        applyToolLock();
    }
}

void Vireto::clearSelection()
{
    select(0);
}

void Vireto::continueFirmwareUpdate()
{
    firmware_->bootLoaderFound();
}

void Vireto::stopPanelWorkers()
{
    for (EngineeringPanel* panel : panels_)
        panel->stopWorkers();
}

void Vireto::runDeviceJob(std::function<int()> work, std::function<void(int)> done)
{
    jobs_->enqueue(this, std::move(work), std::move(done));
}

void Vireto::setBusy(bool busy)
{
    // A busy cursor over the window and a running bar where the progress shows.
    if (busy) {
        setCursor(Qt::BusyCursor);
        progress_->setRange(0, 0);
        progress_->show();
    } else {
        unsetCursor();
        progress_->hide();
        progress_->setRange(0, 100);
    }
}

void Vireto::openAfter(std::function<int()> steps, std::function<void(int)> open)
{
    opening_ = true;
    setBusy(true);
    jobs_->enqueue(this, std::move(steps), [this, open](int result) {
        opening_ = false;
        setBusy(false);
        if (!closing_)
            open(result);
    });
}

template <typename Window>
void Vireto::keep(QPointer<Window>& slot, Window* window)
{
    delete slot.data();
    slot = window;
    connect(window, &Window::sendShowData, this, &Vireto::recvShowData);
}

// --- Slots ------------------------------------------------------------------------

void Vireto::FindHidDevice()
{
    if (!monitor_->isRunning())
        startMonitor();
}

void Vireto::recvShowData(int code)
{
    logic_.handleStatusCode(code); // codes it does not know are ignored
    if (code == kShowAbsentDuringUpdate || code == kShowReady || code == kShowNoFrame)
        releaseUpdateLock();
}

void Vireto::AdjustScreenButSlot()
{
    // One leveling at a time: its worker owns the frame while its window is open.
    if (preparing_ || toolsLocked() || (adjustScreen_ && adjustScreen_->isVisible()) ||
        !logic_.guard(false))
        return;
    // Calibration mode, the search bounds and the configuration record, off this thread;
    // further presses wait for the outcome.
    preparing_ = true;
    auto config = std::make_shared<LevelingConfig>();
    Device* device = &device_;
    auto* job = new DeviceJob(
        [device, config] { return edition_steps::prepareImageAdjusting(*device, *config); }, this);
    connect(job, &DeviceJob::sendData, this, [this, config](int outcome) {
        preparing_ = false;
        if (const int failureText = edition_steps::imageAdjustingText(outcome)) {
            logic_.showText(failureText);
            return;
        }
        delete adjustScreen_.data();
        adjustScreen_ = new AdjustScreenWin(device_, *config, scene_, this);
        connect(adjustScreen_.data(), &AdjustScreenWin::sendShowData, this, &Vireto::recvShowData);
        adjustScreen_->show();
    });
    job->startJob();
}

void Vireto::PreviewButSlot()
{
    if (!previewPanel_ || preparing_ || toolsLocked())
        return;
    if (previewPanel_->previewRunning()) {
        previewPanel_->stopPreview();
        return;
    }
    if (!logic_.guard(true))
        return;
    preparing_ = true;
    Device* device = &device_;
    auto* job = new DeviceJob([device] { return SwitchMode(*device, CalibrationMode); }, this);
    connect(job, &DeviceJob::sendData, this, [this](int switched) {
        preparing_ = false;
        if (!switched || !previewPanel_->startPreview())
            logic_.showText(kTextCheckConnection);
    });
    job->startJob();
}

AdjustScreenWin* Vireto::adjustScreenWindow() const
{
    return adjustScreen_.data();
}

bool Vireto::deferRegisterAccess(std::function<int()> access)
{
    return previewPanel_ && previewPanel_->deferToFrameEnd(std::move(access));
}

void Vireto::AlignmentButSlot()
{
    if (opening_ || !logic_.guard(true))
        return;
    QScreen* screen = touch_screen::chosen();
    const QSize size = screen ? screen->geometry().size() : QSize(1920, 1080);
    auto stored = std::make_shared<stored_record::StoredCalibration>();
    Device* device = &device_;
    openAfter(
        [device, stored] {
            if (!SwitchMode(*device, CalibrationMode)) {
                appContext().log.logf(
                    "Calibration :Switch to calibration mode failed! g_isSwitchMode=%d\n",
                    g_isSwitchMode.load());
                return 0;
            }
            // The firmware answers with its versions before the run starts.
            ModuleVersions versions;
            if (!device->blocks.readVersions(Side::Master, versions))
                return 0;
            *stored = stored_record::readStoredCalibration(*device);
            return stored->read ? 1 : 0;
        },
        [this, screen, size, stored](int ready) {
            if (!ready) {
                logic_.showText(g_bDevExist ? kTextCheckConnection : kTextNoFrame);
                return;
            }
            CalibrationRunSetup setup;
            setup.width = size.width();
            setup.height = size.height();
            setup.sensorType = stored->sensorType;
            setup.saveImages = calibration_images::enabledInSettings();
            setup.hasStoredRecord = stored->hasFlag;
            calibrationRunState().fastMode = 0;
            keep(calibrationWin_, new CalibrationWin(device_, setup, scene_.get(), screen, this));
        });
}

void Vireto::CheckButSlot()
{
    if (opening_ || !logic_.guard(true))
        return;
    keep(checkWin_,
         new CalibrationCheckWin(device_, *jobs_, scene_.get(), touch_screen::chosen(), this));
}

void Vireto::SetButSlot()
{
    if (opening_ || !logic_.guard(true))
        return;
    SettingsDialog* window =
        toolMode_ == 0 ? static_cast<SettingsDialog*>(new SingleSetWin(device_, *jobs_, this))
                       : static_cast<SettingsDialog*>(new SetWin(device_, *jobs_, this));
    keep(setWin_, window);
    window->show();
}

void Vireto::KeyCalibrationButSlot()
{
    if (opening_ || !logic_.guard(false))
        return;
    Device* device = &device_;
    openAfter([device] { return edition_steps::prepareKeyCalibration(*device); },
              [this](int) {
                  keep(keyCalibrationWin_, new KeyCalibrationWin(device_, *jobs_, scene_.get(),
                                                                 touch_screen::chosen(), this));
              });
}

void Vireto::KeyTestButSlot()
{
    if (opening_ || !logic_.guard(false))
        return;
    keep(keyTestWin_, new KeyTestWin(device_, scene_.get(), touch_screen::chosen(), this));
}

void Vireto::AboutButSlot()
{
    if (!devicePressesTaken())
        return;
    logic_.about([this](const QString& text) {
        if (closing_)
            return;
        lastAbout_ = text;
        MyMessageBox box(this, appContext().text(kTextVersions), text, 1, {QStringLiteral("OK")});
        box.run();
    });
}

void Vireto::TestButSlot()
{
    if (devicePressesTaken())
        logic_.equipmentTest();
}

void Vireto::ResetButSlot()
{
    if (devicePressesTaken())
        logic_.reset();
}

bool Vireto::devicePressesTaken() const
{
    return !toolsLocked() && !opening_ && !preparing_ && !closing_;
}

void Vireto::QuitButSlot()
{
    close();
}

void Vireto::MinimizeButSlot()
{
    showMinimized();
}

void Vireto::ClearButSlot()
{
    if (logPanel_)
        logPanel_->clear();
}

void Vireto::FingerIntoButSlot()
{
    // The frame is given seconds to answer: the window goes on meanwhile.
    if (!devicePressesTaken())
        return;
    logic_.requestStatus([this](const QString& line) {
        if (logPanel_)
            logPanel_->append(line);
    });
}

bool Vireto::toolGuard()
{
    return !toolsLocked() && !preparing_ && logic_.guard(true);
}

// --- Firmware update ----------------------------------------------------------------

void Vireto::FirmwareUpdateButSlot()
{
    if (toolsLocked() || firmware_->busy() || !logic_.guard(false))
        return;
    chosenImage_.clear();
    const QString lastImage =
        SettingsFile::vireto().readText(QStringLiteral("ImagePath"), QStringLiteral("imagePath"));
    const QString path = chooseFirmwareImage(this, lastImage);
    if (path.isEmpty())
        return;
    chosenImage_ = path;
    if (firmwarePanel_)
        firmwarePanel_->setPath(path);
    FirmwareUpdate();
}

void Vireto::BrowseButSlot()
{
    const QString path = file_choice::choose(this, file_choice::Purpose::Open,
                                             QString::fromLatin1(file_choice::kBinFilter));
    if (path.isEmpty())
        return;
    chosenImage_ = path;
    if (firmwarePanel_)
        firmwarePanel_->setPath(path);
}

void Vireto::FirmwareUpdate()
{
    if (toolsLocked() || firmware_->busy() || !logic_.guard(false))
        return;
    firmware_->start(chosenImage_);
}

// --- FPGA download and scripts --------------------------------------------------------

void Vireto::FPGAbrowseButSlot()
{
    if (fpga_)
        fpga_->browse();
}

void Vireto::DownloadButSlot()
{
    if (fpga_ && !fpga_->running() && toolGuard())
        fpga_->startDownload();
}

void Vireto::ScriptBrowseButSlot()
{
    if (script_)
        script_->browse();
}

void Vireto::RunScriptButSlot()
{
    if (script_ && !script_->running() && toolGuard())
        script_->startScript();
}

// --- Register panel -----------------------------------------------------------------

void Vireto::registerAccess(bool write)
{
    if (!register_ || toolsLocked() || !logic_.frameUsable(true))
        return;
    if (fpga_->running() || script_->running()) {
        showStatusMessage(QStringLiteral("Wait for the FPGA download or the script to end"));
        return;
    }
    register_->startAccess(write);
}

void Vireto::WriteButSlot()
{
    registerAccess(true);
}

void Vireto::ReadButSlot()
{
    registerAccess(false);
}

void Vireto::SlaveCButSlot()
{
    if (register_)
        register_->applySlaveBox();
}

// --- Flash tools --------------------------------------------------------------------

void Vireto::flashStarted(bool started)
{
    if (!started)
        return;
    flashLock_ = true;
    applyToolLock();
}

void Vireto::EraseFlashSlot()
{
    if (!flash_ || !toolGuard())
        return;
    flashStarted(flash_->start(FlashPanel::Operation::Erase, {}, {},
                               g_useSlave ? Side::Slave : Side::Master));
}

void Vireto::ReadFlashSlot()
{
    if (!flash_ || toolsLocked())
        return;
    const QString path = file_choice::choose(this, file_choice::Purpose::Save,
                                             QString::fromLatin1(file_choice::kBinFilter));
    if (path.isEmpty() || !toolGuard())
        return;
    flashStarted(flash_->start(FlashPanel::Operation::Read, path, {}, Side::Master));
}

void Vireto::WriteFlashSlot()
{
    if (!flash_ || toolsLocked())
        return;
    const QString path = file_choice::choose(this, file_choice::Purpose::Open,
                                             QString::fromLatin1(file_choice::kBinFilter));
    if (path.isEmpty())
        return;
    // The file is checked before anything changes.
    QString problem;
    const QByteArray image = flash_tools::loadImage(path, problem);
    if (!problem.isEmpty()) {
        showStatusMessage(QStringLiteral("Write Flash: ") + problem);
        logPanel_->append(QStringLiteral("Write Flash: ") + problem);
        return;
    }
    if (!toolGuard())
        return;
    flashStarted(flash_->start(FlashPanel::Operation::Write, path, image,
                               g_useSlave ? Side::Slave : Side::Master));
}

void Vireto::flashFinished(int operation, bool ok, bool workMode)
{
    flashLock_ = false;
    applyToolLock();
    logPanel_->append(statusText());
    if (!g_bDevExist) {
        logic_.handleStatusCode(kShowNoFrame);
        return;
    }
    if (!workMode)
        logic_.showText(kTextCheckConnection);
    if (ok && operation == static_cast<int>(FlashPanel::Operation::Read)) {
        MyMessageBox box(this, appContext().text(kTextReadFlash),
                         QStringLiteral("Read Flash Complete......"), 1, {QStringLiteral("OK")});
        box.run();
    }
}

void Vireto::LanguageCBoxSlot(int index)
{
    AppContext& app = appContext();
    if (index < 0 || index == app.languageIndex)
        return;
    SettingsFile::vireto().write(QStringLiteral("Vireto_Config"), QStringLiteral("Language"),
                                 index);
    app.languageIndex = index;
    app.reloadLanguage();
    showStatusText(logic_.currentTextIndex());
    refreshCaptions();
}

// --- Keyboard, mouse, painting, closing ---------------------------------------------

void Vireto::select(int index)
{
    selected_ = index;
    for (size_t i = 0; i < menu_.size(); ++i)
        menu_[i]->setHighlighted(static_cast<int>(i) + 1 == index);
}

void Vireto::keyPressEvent(QKeyEvent* event)
{
    const int n = static_cast<int>(menu_.size());
    switch (event->key()) {
    case Qt::Key_Escape:
        close();
        return;
    case Qt::Key_Tab:
        // The next tile that can be pressed; grey tiles are passed over.
        if (toolMode_ == 0 || toolMode_ == 1) {
            int next = 0;
            for (int step = 1; step <= n && next == 0; ++step) {
                const int candidate = (selected_ + step - 1) % n + 1;
                if (menu_[static_cast<size_t>(candidate - 1)]->isButtonEnabled())
                    next = candidate;
            }
            select(next);
        }
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if ((toolMode_ == 0 || toolMode_ == 1) && selected_ >= 1 && selected_ <= n &&
            menu_[static_cast<size_t>(selected_ - 1)]->isButtonEnabled())
            emit menu_[static_cast<size_t>(selected_ - 1)]->clicked();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void Vireto::mousePressEvent(QMouseEvent* event)
{
    // The engineering layout is full of fields and lists: it is dragged by its title band.
    const bool band = event->position().y() < scaled(0, 0, 0, kTitleBand).height();
    if (event->button() == Qt::LeftButton && (toolMode_ != 2 || band))
        dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void Vireto::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        dragOffset_ = QPoint(-1, -1);
}

void Vireto::moveOutsideMenu(const QPoint& globalPosition)
{
    select(0);
    if (dragOffset_ != QPoint(-1, -1))
        move(globalPosition - dragOffset_);
}

void Vireto::mouseMoveEvent(QMouseEvent* event)
{
    if (toolMode_ != 2)
        moveOutsideMenu(event->globalPosition().toPoint());
    else if (dragOffset_ != QPoint(-1, -1))
        move(event->globalPosition().toPoint() - dragOffset_);
}

bool Vireto::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove && toolMode_ == 2 && dragOffset_ != QPoint(-1, -1))
        move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - dragOffset_);
    else if (event->type() == QEvent::MouseMove && toolMode_ != 2) {
        const auto it = std::find(menu_.begin(), menu_.end(), watched);
        if (it != menu_.end())
            select(static_cast<int>(it - menu_.begin()) + 1);
        else
            moveOutsideMenu(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
    }
    return QDialog::eventFilter(watched, event);
}

void Vireto::paintEvent(QPaintEvent*)
{
    skinned_parts::paintBackground(*this, background_, QColor(18, 44, 74));
}

void Vireto::closeEvent(QCloseEvent* event)
{
    // The leaving steps have run: the window goes.
    if (leaving_) {
        event->accept();
        return;
    }
    // Leaving is under way: the window stays until its steps are done.
    if (closing_) {
        event->ignore();
        return;
    }
    switch (logic_.closeStep()) {
    case MainWindowLogic::CloseStep::CloseNow:
        event->ignore();
        beginLeaving();
        stopThen(*monitor_, this, [this] {
            logic_.closeWithoutFrame();
            leaveNow();
        });
        return;
    case MainWindowLogic::CloseStep::RefuseUpdating:
        showStatusText(kTextUpdating);
        event->ignore();
        return;
    case MainWindowLogic::CloseStep::Ask:
        break;
    }
    const AppContext& app = appContext();
    MyMessageBox box(this, app.text(kTextExitTitle), app.text(kTextConfirmExit), 2,
                     {app.text(kTextExitTitle), app.text(kTextCancel)});
    if (box.run() != MyMessageBox::kOk || closing_) {
        event->ignore();
        return;
    }
    event->ignore();
    leaveConfirmed();
}

void Vireto::leaveConfirmed()
{
    // The monitor may be in the middle of a check that takes seconds: the window waits
    // for it without blocking, then for the device work already asked for (the job
    // queue keeps the order), then the frame goes back to work mode.
    beginLeaving();
    stopThen(*monitor_, this, [this] {
        stopPanelWorkers();
        firmware_->stop();
        logic_.closeConfirmed(imagePath_, [this] { leaveNow(); });
    });
}

void Vireto::leaveOnSignal()
{
    if (leaving_ || closing_)
        return;
    switch (logic_.closeStep()) {
    case MainWindowLogic::CloseStep::CloseNow:
        close();
        return;
    case MainWindowLogic::CloseStep::RefuseUpdating:
        // A firmware update is not cut short: the window leaves once it has ended.
        QTimer::singleShot(500, this, &Vireto::leaveOnSignal);
        return;
    case MainWindowLogic::CloseStep::Ask:
        leaveConfirmed();
        return;
    }
}

void Vireto::beginLeaving()
{
    closing_ = true;
    setBusy(true);
    // Nothing new starts while the window goes.
    setMenuButtonsEnabled(false);
    testButton_->setButtonEnabled(false);
    resetButton_->setButtonEnabled(false);
    setUpdateButtonEnabled(false);
    for (EngineeringPanel* panel : panels_)
        if (panel != logPanel_ && panel != languagePanel_)
            panel->setToolsEnabled(false);
}

void Vireto::leaveNow()
{
    // Not from inside closeEvent: a close there is not taken.
    QMetaObject::invokeMethod(
        this,
        [this] {
            leaving_ = true;
            setBusy(false);
            close();
        },
        Qt::QueuedConnection);
}
