#include "app/ProgramUsage.h"

#include "app/ToolVersion.h"

#include <cstdio>
#include <cstring>

namespace program_usage {

const char* usageText()
{
    return "usage: vireto [EDITION] [LANGUAGE] [--device=WHERE]\n"
           "\n"
           "The service and calibration tool of the optical touch frame. One edition opens;\n"
           "without a switch, Vireto_Config/ChooseToolEnable in Vireto.ini decides.\n"
           "\n"
           "Editions (the first switch counts):\n"
           "  -MM, -mm     production menu: leveling, settings, calibration, update, versions\n"
           "  -DD, -dd     engineering panels: FPGA download, scripts, registers, flash,\n"
           "               raw preview, firmware, language\n"
           "  -UU, -uu     user edition: calibration only\n"
           "  -4cal        user edition, 4-point calibration\n"
           "  -16cal       user edition, 16-point calibration\n"
           "  -update      update station: firmware update\n"
           "  -key         single function: shortcut-key calibration\n"
           "  -ir          single function: infrared pen settings\n"
           "  -adj         single function: image-adjusting\n"
           "  -ver         single function: versions\n"
           "\n"
           "Languages (the first switch counts; otherwise Vireto_Config/Language):\n"
           "  -EN English, -PL Polski, -RU Russian, -CHS Simplified Chinese,\n"
           "  -CHT Traditional Chinese, -JA Japanese (lower case works too);\n"
           "  -a, -b, ... the pack's languages by position\n"
           "\n"
           "Frame:\n"
           "  --device=WHERE   hid (default, or VIRETO_DEVICE): the frame on USB;\n"
           "                   sim or sim:PATH: the virtual frame (its flash in PATH);\n"
           "                   unix:DIR: a frame served on the sockets in DIR\n"
           "\n"
           "  --help, -h       this text\n"
           "  --version        the tool's version\n"
           "\n"
           "Files: Vireto.ini (settings), Vireto_language.lrp (languages), the skins and\n"
           "the day's log under log/, in the program folder or VIRETO_HOME.\n";
}

bool answerInfoRequest(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(usageText(), stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("vireto %s\n", VIRETO_TOOL_VERSION);
            return true;
        }
    }
    return false;
}

} // namespace program_usage
