#pragma once

#include <QString>

// The folder the tool works in: "Vireto.ini", the language pack, the skins, "./log" and
// the virtual frame's flash file live there. It is the executable's own folder, or the
// folder named by VIRETO_HOME (an installed copy, or a test's scratch folder).
QString programFolder();
