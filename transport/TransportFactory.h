#pragma once

#include "device/HidTransport.h"
#include "transport/VirtualScene.h"

#include <QString>

#include <memory>

// The transport that --device=WHERE (or VIRETO_DEVICE) names:
//
//   hid        the system's HID devices (real frames)
//   sim        the virtual frame in this process, its flash kept in VirtualFrame.flash
//              in the current folder
//   sim:PATH   the same, its flash kept in PATH
//   unix:DIR   the frame-link sockets in DIR
//
// The virtual frame comes with its scene; other frames have none.
struct ChosenFrame {
    std::unique_ptr<HidTransport> transport;
    std::shared_ptr<VirtualScene> scene;
};

// No transport, with a one-line reason in error, for anything else or when the virtual
// frame's flash file cannot be used.
ChosenFrame chooseFrame(const QString& where, QString& error);
// The transport alone.
std::unique_ptr<HidTransport> makeTransport(const QString& where, QString& error);
