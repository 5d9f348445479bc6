#pragma once

#include "maintenance/FlashTools.h"
#include "ui/widgets/EngineeringPanel.h"

#include <memory>

class Button;
class Device;

// Erase Flash, Read Flash and Write Flash. The window chooses the file and runs its
// guard; the panel runs the operation on its worker and tells the status line how far
// it is and how it ended.
class FlashPanel : public EngineeringPanel {
    Q_OBJECT
public:
    using Operation = FlashToolThread::Operation;

    FlashPanel(QWidget* parent, const QRect& designRect, double scale, Device& device);
    ~FlashPanel() override;

    // Starts an operation (the window ran its guard); false while one runs.
    bool start(Operation operation, const QString& path, const QByteArray& image, Side eraseSide);
    bool running() const;
    // An operation is not abandoned half-way: it ends at its next sector.
    void stopWorkers() override;

    // "Erase Flash ......" and its kin while it runs, then how it ended.
    static QString runningText(Operation operation, uint32_t sectors);
    static QString endText(Operation operation, const flash_tools::Outcome& outcome);

signals:
    void eraseRequested();
    void readRequested();
    void writeRequested();
    void statusMessage(const QString& message);
    // The operation ended: ok, and whether the frame is back in work mode.
    void operationFinished(FlashToolThread::Operation operation, bool ok, bool workMode);

protected:
    bool busy(const Button*) const override { return running(); }

private slots:
    void recvData(int code);

private:
    Device& device_;
    std::unique_ptr<FlashToolThread> worker_;
};
