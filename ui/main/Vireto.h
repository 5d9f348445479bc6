#pragma once

#include "maintenance/FirmwareUpdateSession.h"
#include "ui/main/MainWindowLogic.h"

#include <QDialog>
#include <QPixmap>
#include <QPointer>

#include <array>
#include <memory>
#include <vector>

class AdjustScreenWin;
class Button;
class CalibrationCheckWin;
class CalibrationWin;
class DeviceJobQueue;
class KeyCalibrationWin;
class KeyTestWin;
class SettingsDialog;
class VirtualScene;
class DeviceMonitorThread;
class EngineeringPanel;
class FirmwarePanel;
class FirmwareUpdateRunner;
class FlashPanel;
class FpgaDownloadPanel;
class LanguagePanel;
class LogPanel;
class PreviewPanel;
class QComboBox;
class QLabel;
class QProgressBar;
class QTextEdit;
class RegisterPanel;
class ScriptPanel;
class VirtualScene;

// The engineering edition's main window: the operator's home. Its layout depends on the
// tool mode: 0 user menu, 1 production menu, 2 engineering panels, 5 update station.
// Device work and the meaning of the status codes live in MainWindowLogic; the firmware
// update runs in FirmwareUpdateRunner, the maintenance tools in their panels' workers.
class Vireto : public QDialog, private MainWindowView, private FirmwareUpdateView {
    Q_OBJECT
public:
    // SIGTERM or SIGINT: leaves as a confirmed close does, without the question (after a
    // firmware update under way has ended).
    void leaveOnSignal();
    // scene: the virtual frame's scene (the workflows that need an operator place one),
    // null for a real frame.
    explicit Vireto(Device& device, std::shared_ptr<VirtualScene> scene = {},
                    QWidget* parent = nullptr);
    ~Vireto() override;

    // For tests and screenshots.
    MainWindowLogic& logic() { return logic_; }
    const std::vector<Button*>& menuButtons() const { return menu_; }
    Button* testButton() const { return testButton_; }
    Button* resetButton() const { return resetButton_; }
    Button* keyTestButton() const { return keyTestButton_; }
    Button* checkButton() const { return checkButton_; }
    DeviceJobQueue& jobs() { return *jobs_; }
    // The secondary window last opened of each kind (nullptr before the first).
    CalibrationWin* calibrationWin() const;
    CalibrationCheckWin* checkWin() const;
    SettingsDialog* setWin() const;
    KeyCalibrationWin* keyCalibrationWin() const;
    KeyTestWin* keyTestWin() const;
    // A device operation to open a window is under way.
    bool opening() const { return opening_; }
    // The close sequence runs (the window has not gone yet).
    bool closing() const { return closing_; }
    QString statusText() const;
    int selectedButton() const { return selected_; }
    QPoint dragOffset() const { return dragOffset_; }
    DeviceMonitorThread* monitor() const { return monitor_.get(); }
    QTextEdit* logArea() const;
    QComboBox* languageBox() const;
    // The last about text shown (empty before the first).
    const QString& lastAboutText() const { return lastAbout_; }
    AdjustScreenWin* adjustScreenWindow() const;
    PreviewPanel* previewPanel() const { return previewPanel_; }
    FpgaDownloadPanel* fpgaPanel() const { return fpga_; }
    ScriptPanel* scriptPanel() const { return script_; }
    RegisterPanel* registerPanel() const { return register_; }
    FlashPanel* flashPanel() const { return flash_; }
    FirmwarePanel* firmwarePanel() const { return firmwarePanel_; }
    QProgressBar* progressBar() const { return progress_; }
    Button* updatePushButton() const { return updatePush_; }
    FirmwareUpdateRunner& firmwareRunner() { return *firmware_; }
    // A flash operation or a firmware update owns the frame: the other tools wait.
    bool toolsLocked() const;
    // The register panel's way to reach the frame while the raw preview runs: the access
    // runs on the preview worker between two frames (see PreviewPanel). False when no
    // preview runs; the caller then runs the access itself.
    bool deferRegisterAccess(std::function<int()> access);

public slots:
    void FindHidDevice();
    void AdjustScreenButSlot();
    void AlignmentButSlot();
    void AboutButSlot();
    void SetButSlot();
    void KeyCalibrationButSlot();
    void KeyTestButSlot();
    // The check on screen of the stored calibration.
    void CheckButSlot();
    void TestButSlot();
    void ResetButSlot();
    void QuitButSlot();
    void MinimizeButSlot();
    void recvShowData(int code);
    void LanguageCBoxSlot(int index);
    void PreviewButSlot();
    void ClearButSlot();
    void FingerIntoButSlot();
    // Firmware update: choose and confirm, browse (engineering panel), update.
    void FirmwareUpdateButSlot();
    void BrowseButSlot();
    void FirmwareUpdate();
    // FPGA download and scripts.
    void FPGAbrowseButSlot();
    void DownloadButSlot();
    void ScriptBrowseButSlot();
    void RunScriptButSlot();
    // Register panel.
    void WriteButSlot();
    void ReadButSlot();
    void SlaveCButSlot();
    // Flash tools.
    void EraseFlashSlot();
    void ReadFlashSlot();
    void WriteFlashSlot();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct MenuEntry {
        int text; // caption from the language table
        // The tile's pictures: normal, focus, pressed, disabled.
        std::array<const char*, 4> images;
        bool available; // its function exists in this build
        void (Vireto::*slot)();
    };

    // MainWindowView
    void showStatusText(int textIndex) override;
    void setMenuButtonsEnabled(bool enabled) override;
    void setUpdateButtonEnabled(bool enabled) override;
    void hideProgress() override;
    void clearSelection() override;
    void continueFirmwareUpdate() override;
    void stopPanelWorkers() override;
    void runDeviceJob(std::function<int()> work, std::function<void(int)> done) override;
    void setBusy(bool busy) override;
    // No other device work runs or is being prepared: a device button may act.
    bool devicePressesTaken() const;
    void beginLeaving();
    void leaveNow();

    // Runs the device steps before a window opens (off the GUI thread), then opens it:
    // presses meanwhile are ignored.
    void openAfter(std::function<int()> steps, std::function<void(int)> open);
    // Deletes the earlier window of its kind, connects the new one and keeps it.
    template <typename Window>
    void keep(QPointer<Window>& slot, Window* window);
    // FirmwareUpdateView (hideProgress() serves both views)
    void showText(int textIndex) override;
    void showProgress(int value) override;
    void setToolsEnabled(bool enabled) override;

    // A message of the tools that is not a language-table text.
    void showStatusMessage(const QString& message);
    void applyToolLock();
    // After the monitor's verdict: tools locked by an update that has ended are free.
    void releaseUpdateLock();
    void flashFinished(int operation, bool ok, bool workMode);
    // A flash tool that started locks the other tools while it runs.
    void flashStarted(bool started);
    // The register panel's Write (true) or Read: beside the preview, but not beside
    // another tool's worker.
    void registerAccess(bool write);
    // The guard of the maintenance tools: nothing while another tool owns the frame.
    bool toolGuard();
    void leaveConfirmed();
    void buildCommon();
    void buildMenu(const std::vector<MenuEntry>& entries, const QRect& area);
    void buildEngineeringPanels();
    std::vector<MenuEntry> menuEntries() const;
    Button* makeButton(int text, const QRect& geometry, bool small);
    void refreshCaptions();
    void select(int index);
    // A mouse move over anything but a menu button: no selection, and a drag moves.
    void moveOutsideMenu(const QPoint& globalPosition);
    QRect scaled(int x, int y, int w, int h) const;
    void startMonitor();

    Device& device_;
    std::shared_ptr<VirtualScene> scene_;
    MainWindowLogic logic_;
    int toolMode_;
    bool shortcutsEnabled_;
    bool keyTestEnabled_;
    double scale_ = 1.0;
    QPixmap background_;
    std::vector<Button*> menu_;
    std::vector<int> menuTexts_;
    std::vector<bool> menuAvailable_;
    std::vector<std::pair<Button*, int>> captioned_; // every button with its text index
    std::vector<std::pair<QLabel*, int>> labels_;    // labels with a text index
    Button* testButton_ = nullptr;
    Button* resetButton_ = nullptr;
    Button* keyTestButton_ = nullptr;
    Button* checkButton_ = nullptr;
    Button* updatePush_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* version_ = nullptr;
    // The engineering layout's panels, in the order they are placed.
    std::vector<EngineeringPanel*> panels_;
    LogPanel* logPanel_ = nullptr;
    LanguagePanel* languagePanel_ = nullptr;
    PreviewPanel* previewPanel_ = nullptr;
    FpgaDownloadPanel* fpga_ = nullptr;
    ScriptPanel* script_ = nullptr;
    RegisterPanel* register_ = nullptr;
    FlashPanel* flash_ = nullptr;
    FirmwarePanel* firmwarePanel_ = nullptr;
    QProgressBar* progress_ = nullptr;
    std::unique_ptr<FirmwareUpdateRunner> firmware_;
    QString chosenImage_; // the firmware image of FirmwareUpdate()
    bool updateLock_ = false;
    bool flashLock_ = false;
    QPointer<AdjustScreenWin> adjustScreen_;
    bool preparing_ = false; // a device job for a window is under way
    int selected_ = 0;
    QPoint dragOffset_{-1, -1};
    QString imagePath_;
    QString lastAbout_;
    std::unique_ptr<DeviceMonitorThread> monitor_;
    std::unique_ptr<DeviceJobQueue> jobs_;
    bool opening_ = false;
    bool closing_ = false; // the window goes: nothing opens any more
    bool leaving_ = false; // its leaving steps have run: the next close is accepted
    QPointer<CalibrationWin> calibrationWin_;
    QPointer<CalibrationCheckWin> checkWin_;
    QPointer<SettingsDialog> setWin_;
    QPointer<KeyCalibrationWin> keyCalibrationWin_;
    QPointer<KeyTestWin> keyTestWin_;
};
