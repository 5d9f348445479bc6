#pragma once

// `vireto --help` and `vireto --version`: answered on the terminal before any window,
// display or frame is touched.
namespace program_usage {

// The usage text: editions, language switches, --device and the files used.
const char* usageText();
// When an argument asks for the usage or the version, prints it to stdout and returns
// true (the program then ends with exit code 0).
bool answerInfoRequest(int argc, char* argv[]);

} // namespace program_usage
