// corvane-cli: builds a help file from a project file without the desktop program, and
// writes project files.
#include <cstdio>
#include <string>
#include <vector>

#include <boost/format.hpp>

#include "cli/cli_texts.h"
#include "cli/commands.h"
#include "cli/terminal.h"
#include "corvane_version.h"

int main(int argc, char** argv) {
    using namespace corvane;
    CTerminal terminal;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(terminal.FromTerminal(argv[i]));

    if (args.empty()) {
        std::fputs(terminal.ToTerminal(cli::kUsage).c_str(), stderr);
        return kExitUsage;
    }
    const std::string command = args[0];
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(terminal.ToTerminal(cli::kUsage).c_str(), stdout);
        return kExitMade;
    }
    if (command == "--version" || command == "version") {
        std::printf("corvane-cli %s\n", CORVANE_VERSION_STRING);
        return kExitMade;
    }
    if (command == "build") return RunBuildCommand(terminal, args);
    if (command == "init") return RunInitCommand(terminal, args);
    terminal.PrintLine(stderr, (boost::format(cli::kUnknownCommand) % command).str());
    std::fputs(terminal.ToTerminal(cli::kUsage).c_str(), stderr);
    return kExitUsage;
}
