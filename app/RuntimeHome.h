#pragma once

#include <QString>

// Where the programs keep their run-time files, the same for every executable and
// whatever the current folder:
//
// - VIRETO_HOME names a folder: everything is in it, the skins and the language pack
//   included.
// - Portable: the program's folder can be written and holds "Vireto.ini" (a build
//   folder, an unpacked copy): everything is beside the program, as it always was.
// - Installed: settings ("Vireto.ini", "Vireto_Key.ini", "DeviceInfo.ini") in the
//   per-user configuration folder ($XDG_CONFIG_HOME/vireto), the day folders of the log
//   in the per-user state folder ($XDG_STATE_HOME/vireto/log), samples, dumps,
//   backups, the workbook and the virtual frame's flash in the per-user data folder
//   ($XDG_DATA_HOME/vireto); the skins and the language pack are read from the install
//   prefix (<prefix>/share/vireto, beside the program's bin folder).
//
// The single-instance lock lives in the per-user runtime folder ($XDG_RUNTIME_DIR)
// in every layout.
namespace runtime_home {

enum class Layout { Override, Portable, Installed };

Layout layout();
QString layoutName(Layout layout);

QString settingsFolder();
QString dataFolder();
QString logFolder();
QString resourceFolder();
QString runtimeFolder();

// A file in one of the folders above.
QString settingsFile(const QString& name);
QString dataFile(const QString& name);
QString resourceFile(const QString& name);

// Creates the writable folders of the layout (settings, data, log); false, with the
// folder in error, when one cannot be made.
bool prepare(QString* error = nullptr);

} // namespace runtime_home
