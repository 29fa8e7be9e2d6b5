#include "ProgramCommandLine.h"

#include <cstdio>
#include <cstring>

namespace {

void printHelp() {
    std::printf("Usage: kestrivo [OPTION]...\n\n"
                "Design evaluation templates, send them to handheld units, import the completed\n"
                "evaluations into an SQLite file or a PostgreSQL catalog that several PCs share,\n"
                "and preview and print reports.\n\n"
                "Options:\n"
                "  -h, --help        show this help and exit\n"
                "  -v, --version     show the version and exit\n"
                "  -platform NAME    the Qt platform plugin (offscreen: no screen); the other\n"
                "                    options of Qt programs are taken as well\n\n"
                "Environment:\n"
                "  KESTRIVO_HOME       the program folder with the database, logs, layouts and\n"
                "                      the emulated unit; an installed program defaults to\n"
                "                      $XDG_DATA_HOME/kestrivo/ (~/.local/share/kestrivo/)\n"
                "  KESTRIVO_SETTINGS   the settings file (default: ~/.config/Halvane/Kestrivo.ini)\n"
                "  KESTRIVO_PRINT_DIR  write every print job as a numbered PDF file into this folder\n");
}

} // namespace

namespace ProgramCommandLine {

std::optional<int> answer(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            printHelp();
            return 0;
        }
        if (!std::strcmp(argv[i], "--version") || !std::strcmp(argv[i], "-v")) {
            std::printf("kestrivo %s\n", KESTRIVO_VERSION);
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace ProgramCommandLine
