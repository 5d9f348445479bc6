#include "Vireto.h"

#include "AppContext.h"
#include "Button.h"
#include "DeviceArrivalWatcher.h"
#include "DeviceState.h"
#include "LanguageTable.h"
#include "LineImages.h"
#include "MyMessageBox.h"
#include "PresenceMonitor.h"
#include "SettingsFile.h"
#include "StatusCheck.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QTextEdit>

namespace {

// The layouts are drawn for the 1920 skin; the other skins scale them.
constexpr int kDesignWidth = 960;
constexpr int kDesignHeight = 600;
constexpr int kPanelWidth = 1344;
constexpr int kPanelHeight = 900;

constexpr int kTextStatusInitial = 0;
constexpr int kTextUpdating = 10;

const char* const kLabelStyle = "color:rgb(225,236,248)";
const char* const kStatusStyle = "color:rgb(255,255,255)";
const char* const kPanelStyle =
    "QLineEdit, QTextEdit, QComboBox { background: rgba(255,255,255,225); color: rgb(0,38,102);"
    " border: 1px solid rgb(120,160,200); border-radius: 4px; padding: 2px 6px; }"
    " QCheckBox { color: rgb(225,236,248); }"
    " QLineEdit:disabled, QComboBox:disabled { background: rgba(255,255,255,120); color: "
    "rgb(90,100,110); }";

} // namespace

Vireto::Vireto(Device& device, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Window), device_(device),
      logic_(device, *this, appContext().toolMode), toolMode_(appContext().toolMode)
{
    AppContext& app = appContext();
    const SettingsFile ini = SettingsFile::vireto();
    shortcutsEnabled_ =
        ini.readInt(QStringLiteral("Shortcut_keys"), QStringLiteral("Shortcuts_en"), 0) == 1;
    keyTestEnabled_ =
        ini.readInt(QStringLiteral("Shortcut_keys"), QStringLiteral("Shortcuts_test"), 0) == 1;
    imagePath_ =
        ini.readText(QStringLiteral("ImagePath"), QStringLiteral("imagePath"), QStringLiteral("0"));

    background_ = QPixmap(app.skinDirectory + QStringLiteral("back_pixmap.png"));
    scale_ = background_.isNull() ? 1.0 : background_.width() / double(kDesignWidth);
    const bool panels = toolMode_ == 2;
    resize(scaled(0, 0, panels ? kPanelWidth : kDesignWidth, panels ? kPanelHeight : kDesignHeight)
               .size());
    setWindowIcon(QIcon(app.skinDirectory + QStringLiteral("Vireto.png")));
    setWindowTitle(QStringLiteral("Vireto"));
    setAttribute(Qt::WA_TranslucentBackground); // the skin's rounded corners
    setStyleSheet(QString::fromLatin1(kPanelStyle));

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
    showStatusText(kTextStatusInitial);

    previewLineCount = 8;
    app.log.startRun(toolMode_, app.subFunction);

    monitor_ = std::make_unique<GetDeviceConfigThread>(device_);
    connect(monitor_.get(), &DeviceMonitorThread::sendShowData, this, &Vireto::recvShowData,
            Qt::QueuedConnection);
    arrival_ = new DeviceArrivalWatcher(this);
    connect(arrival_, &DeviceArrivalWatcher::deviceChanged, this, &Vireto::FindHidDevice);
    startMonitor();
}

Vireto::~Vireto()
{
    if (monitor_)
        monitor_->stop();
}

QRect Vireto::scaled(int x, int y, int w, int h) const
{
    return QRect(qRound(x * scale_), qRound(y * scale_), qRound(w * scale_), qRound(h * scale_));
}

Button* Vireto::makeButton(int text, const QRect& geometry, bool small)
{
    auto* b = new Button(this);
    b->setGeometry(geometry);
    if (small)
        b->setSkin(QStringLiteral("button_Normal2.png"), QStringLiteral("button_Focus2.png"),
                   QStringLiteral("button_Press2.png"), QStringLiteral("button_Enabled.png"));
    else
        b->setSkin(QStringLiteral("button_Normal.png"), QStringLiteral("button_Focus.png"),
                   QStringLiteral("button_Press.png"), QStringLiteral("button_Enabled.png"));
    b->setColors(255, 255, 255, 255, 255, 255, 220, 232, 245, 120, 120, 120);
    b->setCaptionFont(appContext().skin.text.font());
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
    labels_.emplace_back(title, 160);

    version_ = new QLabel(QStringLiteral("V") + toolVersionText(app.subVersion), this);
    version_->setObjectName(QStringLiteral("version"));
    version_->setFont(app.skin.text.font());
    version_->setStyleSheet(QString::fromLatin1(kLabelStyle));
    const int right = width() / scale_;
    version_->setGeometry(scaled(right - 250, 14, 130, 32));
    version_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* minimise = new Button(this);
    minimise->setSkin(QStringLiteral("min1.png"), QStringLiteral("min2.png"),
                      QStringLiteral("min2.png"), QString());
    minimise->setGeometry(scaled(right - 96, 12, 36, 36));
    connect(minimise, &Button::clicked, this, &Vireto::MinimizeButSlot);
    auto* quit = new Button(this);
    quit->setSkin(QStringLiteral("quit1.png"), QStringLiteral("quit2.png"),
                  QStringLiteral("quit2.png"), QString());
    quit->setGeometry(scaled(right - 52, 12, 36, 36));
    connect(quit, &Button::clicked, this, &Vireto::QuitButSlot);

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

    // The equipment test and the reset sit under the menu (beside the panels in layout 2).
    const int rowY = panels ? 244 : 450;
    const int rowX =
        panels ? right - 24 - 3 * 136 : (right - (keyTestEnabled_ ? 3 : 2) * 184 + 24) / 2;
    const int w = panels ? 120 : 160;
    const int step = panels ? 136 : 184;
    testButton_ = makeButton(8, scaled(rowX, rowY, w, panels ? 40 : 48), panels);
    connect(testButton_, &Button::clicked, this, &Vireto::TestButSlot);
    resetButton_ = makeButton(9, scaled(rowX + step, rowY, w, panels ? 40 : 48), panels);
    connect(resetButton_, &Button::clicked, this, &Vireto::ResetButSlot);
    if (keyTestEnabled_) {
        Button* keyTest = makeButton(7, scaled(rowX + 2 * step, rowY, w, panels ? 40 : 48), panels);
        keyTest->setButtonEnabled(false); // the key test window comes with the shortcut keys
    }
    if (toolMode_ == 5) {
        updatePush_ = makeButton(5, scaled((right - 200) / 2, 520, 200, 48), false);
        updatePush_->setButtonEnabled(false);
    }

    auto* maker = new QLabel(this);
    maker->setFont(app.skin.text.font());
    maker->setStyleSheet(QStringLiteral("color:rgba(225,236,248,150)"));
    maker->setGeometry(panels ? scaled(24, bottom - 16 - 24, 400, 24)
                              : scaled(24, bottom - 40, 400, 28));
    labels_.emplace_back(maker, 168);
}

std::vector<Vireto::MenuEntry> Vireto::menuEntries() const
{
    // Functions whose windows are not part of this build are shown but stay disabled.
    const MenuEntry leveling{2,
                             {"MP_adjustScreen.png", "MP_adjustScreen1.png", "MP_adjustScreen2.png",
                              "MP_adjustScreen3.png"},
                             false,
                             nullptr};
    const MenuEntry userSet{
        1, {"User_set.png", "User_set1.png", "User_set2.png", "User_set3.png"}, false, nullptr};
    const MenuEntry productionSet{
        1, {"MP1_set.png", "MP1_set1.png", "MP1_set2.png", "MP1_set3.png"}, false, nullptr};
    const MenuEntry userCalibrate{4,
                                  {"User2_calibration.png", "User2_calibration1.png",
                                   "User2_calibration2.png", "User2_calibration3.png"},
                                  false,
                                  nullptr};
    const MenuEntry productionCalibrate{
        4,
        {"MP_calibration.png", "MP_calibration1.png", "MP_calibration2.png", "MP_calibration3.png"},
        false,
        nullptr};
    const MenuEntry update{
        5, {"update.png", "update1.png", "update2.png", "update3.png"}, false, nullptr};
    const MenuEntry versions{
        3, {"about.png", "about1.png", "about2.png", "about3.png"}, true, &Vireto::AboutButSlot};
    const MenuEntry shortcuts{
        6,
        {"keyCalibration.png", "keyCalibration1.png", "keyCalibration2.png", "keyCalibration3.png"},
        false,
        nullptr};
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
        b->setColors(255, 255, 255, 255, 255, 255, 230, 240, 250, 150, 150, 150);
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
    const AppContext& app = appContext();
    auto label = [&](int text, const QRect& r) {
        auto* l = new QLabel(this);
        l->setGeometry(r);
        l->setFont(app.skin.text.font());
        l->setStyleSheet(QString::fromLatin1(kLabelStyle));
        labels_.emplace_back(l, text);
        return l;
    };
    auto field = [&](const QRect& r, bool enabled) {
        auto* e = new QLineEdit(this);
        e->setGeometry(r);
        e->setFont(app.skin.text.font());
        e->setEnabled(enabled);
        return e;
    };
    auto laterButton = [&](int text, const QRect& r) {
        Button* b = makeButton(text, r, true);
        b->setButtonEnabled(false); // arrives with the maintenance tools
        return b;
    };

    // Left column: downloads, scripts, the raw preview.
    label(124, scaled(24, 300, 170, 36));
    field(scaled(200, 300, 300, 36), false);
    laterButton(126, scaled(516, 298, 120, 40));
    label(125, scaled(24, 350, 170, 36));
    field(scaled(200, 350, 300, 36), false);
    laterButton(127, scaled(516, 348, 120, 40));
    laterButton(128, scaled(24, 402, 180, 40));
    laterButton(129, scaled(220, 402, 220, 40));
    auto* preview = new QLabel(this);
    preview->setObjectName(QStringLiteral("previewArea"));
    preview->setGeometry(scaled(24, 454, 612, 270));
    preview->setStyleSheet(QStringLiteral(
        "background: rgba(0,0,0,90); border: 1px solid rgb(120,160,200); border-radius: 4px;"));

    // Right column: registers, status, flash, firmware, language.
    const int x = 672;
    auto* address = new QLabel(QStringLiteral("Reg Addr(HEX)"), this);
    address->setGeometry(scaled(x, 300, 150, 36));
    address->setFont(app.skin.text.font());
    address->setStyleSheet(QString::fromLatin1(kLabelStyle));
    field(scaled(x + 150, 300, 130, 36), false);
    auto* value = new QLabel(QStringLiteral("Value"), this);
    value->setGeometry(scaled(x + 300, 300, 70, 36));
    value->setFont(app.skin.text.font());
    value->setStyleSheet(QString::fromLatin1(kLabelStyle));
    field(scaled(x + 370, 300, 110, 36), false);
    auto* sensor = new QCheckBox(QStringLiteral("Sensor"), this);
    sensor->setGeometry(scaled(x + 500, 300, 110, 36));
    sensor->setEnabled(false);
    auto* slave = new QCheckBox(QStringLiteral("Slave"), this);
    slave->setGeometry(scaled(x + 500, 340, 110, 36));
    slave->setEnabled(false);
    laterButton(132, scaled(x, 346, 120, 40));
    laterButton(133, scaled(x + 136, 346, 120, 40));
    Button* status = makeButton(-1, scaled(x + 272, 346, 120, 40), true);
    status->setCaption(QStringLiteral("GetStatus"));
    connect(status, &Button::clicked, this, &Vireto::FingerIntoButSlot);

    laterButton(120, scaled(x, 402, 190, 40));
    laterButton(121, scaled(x + 206, 402, 190, 40));
    laterButton(122, scaled(x + 412, 402, 190, 40));

    label(153, scaled(x, 454, 80, 36));
    field(scaled(x + 80, 454, 300, 36), false);
    laterButton(108, scaled(x + 396, 452, 206, 40));

    label(84, scaled(x, 506, 120, 36));
    languageBox_ = new QComboBox(this);
    languageBox_->setGeometry(scaled(x + 120, 506, 260, 36));
    languageBox_->setFont(app.skin.text.font());
    languageBox_->addItems(LanguageTable::selectorEntries(SettingsFile::languagePack()));
    languageBox_->setCurrentIndex(std::min(app.languageIndex, languageBox_->count() - 1));
    connect(languageBox_, &QComboBox::currentIndexChanged, this, &Vireto::LanguageCBoxSlot);

    logArea_ = new QTextEdit(this);
    logArea_->setObjectName(QStringLiteral("logArea"));
    logArea_->setReadOnly(true);
    logArea_->setGeometry(scaled(x, 558, 602, 166));
    logArea_->setFont(app.skin.text.font());
    Button* clear = makeButton(130, scaled(x + 482, 732, 120, 40), true);
    connect(clear, &Button::clicked, this, &Vireto::ClearButSlot);
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
}

void Vireto::startMonitor()
{
    monitor_->startMonitor();
}

QString Vireto::statusText() const
{
    return status_->text();
}

// --- MainWindowView ------------------------------------------------------------

void Vireto::showStatusText(int textIndex)
{
    status_->setText(appContext().text(textIndex).trimmed());
}

void Vireto::setMenuButtonsEnabled(bool enabled)
{
    for (size_t i = 0; i < menu_.size(); ++i)
        menu_[i]->setButtonEnabled(enabled && menuAvailable_[i]);
}

void Vireto::setUpdateButtonEnabled(bool)
{
    // The update station's push button needs the firmware window; it stays disabled.
    if (updatePush_)
        updatePush_->setButtonEnabled(false);
}

void Vireto::hideProgress() {}

void Vireto::clearSelection()
{
    select(0);
}

void Vireto::startFirmwareWorker() {}

void Vireto::stopPanelWorkers() {}

// --- Slots ------------------------------------------------------------------------

void Vireto::FindHidDevice()
{
    if (!monitor_->isRunning())
        startMonitor();
}

void Vireto::recvShowData(int code)
{
    if (code < 1 || code > 15)
        return;
    logic_.handleStatusCode(code);
}

void Vireto::AboutButSlot()
{
    const QString text = logic_.aboutText();
    if (text.isEmpty())
        return;
    lastAbout_ = text;
    MyMessageBox box(this, appContext().text(3), text, 1, {QStringLiteral("OK")});
    box.run();
}

void Vireto::TestButSlot()
{
    logic_.equipmentTest();
}

void Vireto::ResetButSlot()
{
    logic_.reset();
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
    if (logArea_)
        logArea_->clear();
}

void Vireto::appendLog(const QString& line)
{
    if (logArea_)
        logArea_->append(line.trimmed());
}

void Vireto::FingerIntoButSlot()
{
    if (!logic_.guard(true))
        return;
    TestCommunication(device_);
    const QByteArray line = QByteArray("GetStatus! g_ErrorCode = 0x") +
                            QByteArray::number(g_ErrorCode.load(), 16) + "\n";
    appContext().log.log(line.constData());
    appendLog(QString::fromLatin1(line));
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
        if ((toolMode_ == 0 || toolMode_ == 1) && n > 0)
            select(selected_ % n + 1);
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
    if (event->button() == Qt::LeftButton && toolMode_ != 2)
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
}

bool Vireto::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove && toolMode_ != 2) {
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
    QPainter painter(this);
    if (!background_.isNull())
        painter.drawPixmap(rect(), background_);
    else
        painter.fillRect(rect(), QColor(18, 44, 74));
}

void Vireto::closeEvent(QCloseEvent* event)
{
    switch (logic_.closeStep()) {
    case MainWindowLogic::CloseStep::CloseNow:
        monitor_->stop();
        logic_.closeWithoutFrame();
        event->accept();
        return;
    case MainWindowLogic::CloseStep::RefuseUpdating:
        showStatusText(kTextUpdating);
        event->ignore();
        return;
    case MainWindowLogic::CloseStep::Ask:
        break;
    }
    const AppContext& app = appContext();
    MyMessageBox box(this, app.text(11), app.text(12), 2, {app.text(11), app.text(13)});
    if (box.run() != MyMessageBox::kOk) {
        event->ignore();
        return;
    }
    monitor_->stop();
    stopPanelWorkers();
    logic_.closeConfirmed(imagePath_);
    event->accept();
}
