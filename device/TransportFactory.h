#pragma once

#include "HidTransport.h"

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
// nullptr with a one-line reason in error for anything else, or when the virtual
// frame's flash file cannot be used.
std::unique_ptr<HidTransport> makeTransport(const QString& where, QString& error);
