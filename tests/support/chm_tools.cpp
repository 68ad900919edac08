#include "support/chm_tools.h"

#include <sstream>

#include "platform/ascii.h"
#include "platform/process_runner.h"
#include "platform/text_codec.h"
#include "support/test_paths.h"

namespace corvane::test {

std::map<std::string, int> ListWithChmls(const std::filesystem::path& chm) {
    CProcessRun run;
    run.args = {"chmls", "list", FromNativePath(chm)};
    run.bCaptureOutput = true;
    std::map<std::string, int> entries;
    if (RunProgram(run) != 1) return entries;
    std::istringstream lines(run.strOutput);
    std::string line;
    while (std::getline(lines, line)) {
        // " <section>  <offset>  <size>  <name>"
        std::istringstream fields(line);
        int section = -1;
        long long offset = 0, size = 0;
        if (!(fields >> section >> offset >> size)) continue;
        std::string name;
        std::getline(fields, name);
        const size_t start = name.find_first_not_of(' ');
        if (start == std::string::npos) continue;
        entries[name.substr(start)] = section;
    }
    return entries;
}

std::filesystem::path BuildPascalLookup(const std::filesystem::path& folder, std::string& why) {
    CProcessRun run;
    run.args = {"fpc",
                "-O1",
                "-v0",
                "-FE" + folder.string(),
                "-FU" + folder.string(),
                (SourceDir() / "tests" / "support" / "fts_lookup.pas").string()};
    run.bCaptureOutput = true;
    const std::filesystem::path program = folder / "fts_lookup";
    if (RunProgram(run) != 1 || run.nExitCode != 0 || !std::filesystem::exists(program)) {
        why = "fpc could not build the lookup program: " + run.strOutput;
        return {};
    }
    return program;
}

std::vector<std::set<std::string>> PascalLookup(const std::filesystem::path& program,
                                                const std::filesystem::path& chm,
                                                const std::vector<std::string>& words) {
    CProcessRun run;
    run.args = {FromNativePath(program), FromNativePath(chm)};
    for (const std::string& word : words) {
        std::string hex;
        for (unsigned char c : word) {
            hex += HexDigit(c >> 4);
            hex += HexDigit(c);
        }
        run.args.push_back(hex);
    }
    run.bCaptureOutput = true;
    std::vector<std::set<std::string>> found(words.size());
    if (RunProgram(run) != 1 || run.nExitCode != 0) return found;
    std::istringstream lines(run.strOutput);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        size_t n = 0;
        std::string kind, page;
        if (fields >> n >> kind >> page && n >= 1 && n <= words.size()) found[n - 1].insert(page);
    }
    return found;
}

}  // namespace corvane::test
