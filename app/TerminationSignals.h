#pragma once

#include <QObject>

class QSocketNotifier;

// Runs handler on SIGTERM and SIGINT, restarting the system calls they interrupt: the
// way the windowed program and the command line take over the two signals.
void catchTerminationSignals(void (*handler)(int));

// SIGTERM and SIGINT for the windowed program: instead of ending it on the spot, they
// reach the event loop as requested(), so that the window leaves as when it is closed
// (the frame back in work mode, the log ended) and the process then exits with
// 128 + the signal.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // The signal that arrived first; 0 while none has.
    int received() const { return received_; }

signals:
    void requested(int signal);

private:
    void readSignal();

    QSocketNotifier* notifier_ = nullptr;
    int received_ = 0;
};
