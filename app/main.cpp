// Entry of the tool: decides the edition, language and skin, refuses a second copy or
// a missing skin, then runs exactly one main window until it closes.
#include "app/AppContext.h"
#include "app/CommandLine.h"
#include "app/ProgramFolder.h"
#include "app/ProgramUsage.h"
#include "app/RuntimeHome.h"
#include "app/SingleInstance.h"
#include "app/StartupWarning.h"
#include "app/TerminationSignals.h"
#include "app/TextIds.h"
#include "device/Device.h"
#include "transport/FrameLock.h"
#include "transport/TransportFactory.h"
#include "ui/main/SingleVireto.h"
#include "ui/main/Vireto.h"
#include "ui/main/ViretoTest.h"
#include "ui/main/ViretoUser.h"

#include <QApplication>
#include <QDir>
#include <QScreen>

int main(int argc, char* argv[])
{
    // Answered without a display, a window or a frame.
    if (program_usage::answerInfoRequest(argc, argv))
        return 0;
    QApplication::setDesktopSettingsAware(false);
    QApplication application(argc, argv);
    // Settings, log, samples and the skins have their folders (runtime_home); the
    // data folder is the current one, as the windows' own files expect.
    runtime_home::prepare();
    QDir::setCurrent(programFolder());
    appContext().log.setRoot(runtime_home::logFolder());

    AppContext& app = appContext();
    const QStringList args = application.arguments().mid(1);
    const StartupOptions options =
        parseCommandLine(args, SettingsFile::vireto(), SettingsFile::languagePack());
    app.toolMode = options.toolMode;
    app.subFunction = options.subFunction;
    app.languageIndex = options.languageIndex;
    app.subVersion = options.subVersion;

    const QRect desktop = QGuiApplication::primaryScreen()
                              ? QGuiApplication::primaryScreen()->geometry()
                              : QRect(0, 0, 1024, 768);
    app.loadLookAndLanguage(desktop.width(), desktop.height());
    QApplication::setFont(app.skin.text.font());

    SingleInstanceGuard guard;
    if (!guard.acquire()) {
        showStartupWarning(app.text(kTextAlreadyRunning));
        return 0;
    }
    if (!QDir(app.skinDirectory).exists()) {
        showStartupWarning(app.text(kTextNoSkin));
        return 0;
    }

    QString error;
    const QString where = deviceOption(args);
    FrameLock frameLock;
    if (!frameLock.acquire(frameLockKey(where), FrameLock::kWaitMs, error)) {
        showStartupWarning(error);
        return 1;
    }
    ChosenFrame frame = chooseFrame(where, error);
    const QString record = optionValue(args, QStringLiteral("--record"));
    if (frame.transport && !record.isEmpty())
        recordTraffic(frame, record, error);
    if (!frame.transport || !error.isEmpty()) {
        showStartupWarning(error);
        return 1;
    }
    setCurrentDevice(std::make_unique<Device>(std::move(frame.transport)));

    // A signal leaves as closing does, without the question: the frame goes back to
    // work mode and the log is ended before the process exits. Caught before the window
    // starts its monitor, which opens the frame: a signal from then on waits in the
    // event loop for the window.
    TerminationSignals termination;
    std::unique_ptr<QWidget> window;
    switch (app.edition()) {
    case Edition::User: // full screen from the start
        window = std::make_unique<ViretoUser>(currentDevice(), frame.scene);
        break;
    case Edition::FactoryTest:
        window = std::make_unique<ViretoTest>(currentDevice());
        break;
    case Edition::SingleFunction:
        window = std::make_unique<SingleVireto>(currentDevice(), frame.scene);
        break;
    case Edition::Engineering:
        window = std::make_unique<Vireto>(currentDevice(), frame.scene);
        break;
    }
    if (!window->isVisible())
        window->show();
    QObject::connect(&termination, &TerminationSignals::requested, window.get(),
                     [w = window.get()] {
                         if (auto* engineering = qobject_cast<Vireto*>(w))
                             engineering->leaveOnSignal();
                         else
                             w->close();
                     });
    const int result = application.exec();
    window.reset();
    setCurrentDevice(nullptr);
    return termination.received() ? 128 + termination.received() : result;
}
