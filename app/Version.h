#pragma once

// The version of this build, "MAJOR.MINOR.PATCH", set once in the top CMakeLists.txt
// and shared by every executable's --version.
const char* viretoVersion();
