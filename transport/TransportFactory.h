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
//   replay:FILE  a frame that answers from a recording made with --record
//
// The virtual frame comes with its scene; other frames have none.
struct ChosenFrame {
    std::unique_ptr<HidTransport> transport;
    std::shared_ptr<VirtualScene> scene;
};

// No transport, with a one-line reason in error, for anything else or when the virtual
// frame's flash file cannot be used.
ChosenFrame chooseFrame(const QString& where, QString& error);
// Whether where is one of the forms above (error says what is accepted when not),
// without opening anything: a usage check.
bool isDeviceSpec(const QString& where, QString& error);
// Wraps the chosen transport so that every report it exchanges is written to path as
// JSON lines. false (with error) when path cannot be written; the frame stays usable.
bool recordTraffic(ChosenFrame& frame, const QString& path, QString& error);
// What names the frame where points at, for the lock that keeps two processes from
// talking to it at once: the socket folder or flash file, made absolute; "hid" for the
// system's frames; empty for a replay, which nobody shares.
QString frameLockKey(const QString& where);
// The transport alone.
std::unique_ptr<HidTransport> makeTransport(const QString& where, QString& error);
