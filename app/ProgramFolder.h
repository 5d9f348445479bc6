#pragma once

#include <QString>

// The folder the programs work in: the data folder of runtime_home (VIRETO_HOME, the
// program's own folder when it is portable, else the per-user data folder). The GUI
// makes it its current folder; the command-line tool keeps the user's.
QString programFolder();
