#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <boost/format.hpp>

#include "cli/cli_arguments.h"
#include "cli/cli_message_box.h"
#include "cli/cli_texts.h"
#include "cli/commands.h"
#include "crawl/project_checks.h"
#include "platform/folder_create.h"
#include "platform/text_codec.h"
#include "project/corvane_doc.h"

namespace corvane {

int RunInitCommand(const CTerminal& terminal, const std::vector<std::string>& args) {
    CCliArguments arguments(args, {{"--help", 0},
                                   {"--url", 1},
                                   {"--folder", 1},
                                   {"--name", 1},
                                   {"--title", 1},
                                   {"--toc", 1},
                                   {"--footer", 1},
                                   {"--user", 1},
                                   {"--password", 1},
                                   {"--ask-password", 0},
                                   {"--force", 0},
                                   {"--insecure-tls", 0},
                                   {"--wikiname", 2}});
    if (arguments.Error().empty() && arguments.Has("--help")) {
        std::fputs(terminal.ToTerminal(cli::kInitUsage).c_str(), stdout);
        return kExitMade;
    }
    std::string error = arguments.Error();
    if (error.empty() && arguments.Positional().empty()) error = cli::kNoProject;
    if (error.empty() && arguments.Positional().size() > 1) {
        error = (boost::format(cli::kExtraArgument) % arguments.Positional()[1]).str();
    }
    for (const char* required : {"--url", "--folder", "--name"}) {
        if (error.empty() && arguments.Value(required).empty()) {
            error = (boost::format(cli::kMissingRequired) % required).str();
        }
    }
    // The password: --password, asked on the terminal, or CORVANE_PASSWORD, so that it need
    // not stand in the process list and the shell's history.
    const char* fromEnvironment = std::getenv("CORVANE_PASSWORD");
    const bool passwordGiven = arguments.Has("--password") || arguments.Has("--ask-password") ||
                               (fromEnvironment != nullptr && arguments.Has("--user"));
    if (error.empty() && arguments.Has("--password") && arguments.Has("--ask-password")) {
        error = cli::kTwoPasswords;
    }
    if (error.empty() && arguments.Has("--user") != passwordGiven) error = cli::kUserPassword;
    if (!error.empty()) {
        terminal.PrintLine(stderr, error);
        terminal.PrintLine(stderr, cli::kSeeHelp);
        return kExitUsage;
    }
    // Values that could never make a help file are refused here rather than at the build.
    // The output folder is made by the first build; one that is already there must take
    // files.
    const std::string folder = WithTrailingSeparator(arguments.Value("--folder"));
    for (const std::string& problem :
         {FolderExists(folder) ? CheckFolderWritable(folder) : std::string(),
          CheckBaseName(arguments.Value("--name")), CheckTitle(arguments.Value("--title")),
          CheckStartUrl(arguments.Value("--url")), CheckTocPattern(arguments.Value("--toc"))}) {
        if (!problem.empty()) {
            terminal.PrintLine(stderr, problem);
            return kExitUsage;
        }
    }
    // A password in the URL would be stored unscrambled and printed in every log.
    if (const std::string problem = CheckUrlCredentials(arguments.Value("--url"));
        !problem.empty()) {
        terminal.PrintLine(stderr, problem);
        terminal.PrintLine(stderr, cli::kUseUserOption);
        return kExitUsage;
    }
    const std::string path = arguments.Positional()[0];
    std::error_code ec;
    if (!arguments.Has("--force") && std::filesystem::exists(ToNativePath(path), ec)) {
        terminal.PrintLine(stderr, (boost::format(cli::kProjectExists) % path).str());
        return kExitFailed;
    }
    std::string password = arguments.Value("--password");
    if (arguments.Has("--ask-password")) {
        if (!terminal.ReadSecret(cli::kPasswordPrompt, password)) {
            terminal.PrintLine(stderr, cli::kNoPassword);
            return kExitFailed;
        }
    } else if (!arguments.Has("--password") && fromEnvironment != nullptr) {
        password = terminal.FromTerminal(fromEnvironment);
    }

    CCliMessageBoxHandler boxes(terminal, false);
    CScopedMessageBoxHandler scopedBoxes(&boxes);

    CCorvaneDoc doc;
    doc.ResetToDefaults();
    doc.SetURL(arguments.Value("--url"));
    // As the project form commits it: the folder always ends with a separator.
    doc.SetFolder(folder);
    doc.SetBaseName(arguments.Value("--name"));
    doc.SetTitle(arguments.Value("--title"));
    doc.SetTocPat(arguments.Value("--toc"));
    doc.SetFooter(arguments.Value("--footer"));
    if (arguments.Has("--user")) {
        doc.SetUseAuth(1);
        doc.SetUser(arguments.Value("--user"));
        doc.SetPassword(CCorvaneDoc::ScramblePassword(password));
    }
    if (arguments.Has("--wikiname")) {
        doc.SetConvWikiName(1);
        doc.SetWikiNameSearch(arguments.Value("--wikiname", 0));
        doc.SetWikiNameReplace(arguments.Value("--wikiname", 1));
    }
    if (arguments.Has("--insecure-tls")) doc.SetInsecureTls(1);
    const int boxesBefore = boxes.GetShownCount();
    if (!doc.SaveToFile(path)) {
        // The document names the file and the system's reason itself when it can.
        if (boxes.GetShownCount() == boxesBefore) {
            terminal.PrintLine(stderr, (boost::format(cli::kCannotSave) % path).str());
        }
        return kExitFailed;
    }
    terminal.PrintLine(stdout, (boost::format(cli::kProjectWritten) % path).str());
    return kExitMade;
}

}  // namespace corvane
