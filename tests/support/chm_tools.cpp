#include "support/chm_tools.h"

#include <gtest/gtest.h>
#include <mspack.h>

#include <sstream>

#include "chm/chm_file_reader.h"
#include "platform/ascii.h"
#include "platform/process_runner.h"
#include "platform/text_codec.h"
#include "support/test_paths.h"

namespace corvane::test {
namespace {

uint32_t Le32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

uint16_t Le16(const std::string& bytes, size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                 static_cast<unsigned char>(bytes[at + 1]) << 8);
}

}  // namespace

bool ReadChmWindow(const std::filesystem::path& chm, int& count, ChmWindow& window,
                   std::string& why) {
    CChmFileReader reader;
    std::string windows, strings;
    if (!reader.Open(FromNativePath(chm))) {
        why = "cannot open the help file";
        return false;
    }
    if (!reader.Read("/#WINDOWS", windows) || windows.size() < 8) {
        why = "no #WINDOWS";
        return false;
    }
    count = static_cast<int>(Le32(windows, 0));
    const uint32_t size = Le32(windows, 4);
    if (count < 1 || size < 0xAC || windows.size() < 8 + size) {
        why = "#WINDOWS holds no whole window";
        return false;
    }
    if (!reader.Read("/#STRINGS", strings)) {
        why = "no #STRINGS";
        return false;
    }
    const size_t base = 8;
    bool inside = true;
    auto text = [&](size_t offset) {
        const uint32_t at = Le32(windows, base + offset);
        if (at == 0) return std::string();
        if (at >= strings.size()) {
            inside = false;
            return std::string();
        }
        return std::string(strings.c_str() + at);
    };
    window.strName = text(0x08);
    window.nProperties = Le32(windows, base + 0x10);
    window.strCaption = text(0x14);
    window.nLeft = static_cast<int>(Le32(windows, base + 0x20));
    window.nTop = static_cast<int>(Le32(windows, base + 0x24));
    window.nRight = static_cast<int>(Le32(windows, base + 0x28));
    window.nBottom = static_cast<int>(Le32(windows, base + 0x2C));
    window.nNavWidth = static_cast<int>(Le32(windows, base + 0x4C));
    window.strToc = text(0x60);
    window.strIndex = text(0x64);
    window.strFile = text(0x68);
    window.strHome = text(0x6C);
    window.nButtons = Le32(windows, base + 0x70);
    window.nNotExpanded = Le32(windows, base + 0x74);
    window.nNavType = Le32(windows, base + 0x78);
    if (!inside) why = "a name points outside #STRINGS";
    return inside;
}

std::map<int, std::string> ReadChmSystem(const std::filesystem::path& chm) {
    std::map<int, std::string> entries;
    CChmFileReader reader;
    std::string system;
    if (!reader.Open(FromNativePath(chm)) || !reader.Read("/#SYSTEM", system)) return entries;
    // A version word, then code, length, data.
    size_t at = 4;
    while (at + 4 <= system.size()) {
        const int code = Le16(system, at);
        const size_t length = Le16(system, at + 2);
        if (at + 4 + length > system.size()) break;
        std::string data = system.substr(at + 4, length);
        if (!data.empty() && data.back() == '\0') data.pop_back();
        entries[code] = data;
        at += 4 + length;
    }
    return entries;
}

std::map<std::string, std::string> ExtractWithLibmspack(const std::filesystem::path& chm,
                                                        const std::filesystem::path& scratch) {
    std::map<std::string, std::string> files;
    mschm_decompressor* chmd = mspack_create_chm_decompressor(nullptr);
    mschmd_header* header = chmd->open(chmd, chm.c_str());
    EXPECT_NE(header, nullptr) << "libmspack cannot open the help file";
    if (header == nullptr) {
        mspack_destroy_chm_decompressor(chmd);
        return files;
    }
    const std::string out = (scratch / "extracted").string();
    for (mschmd_file* file = header->files; file != nullptr; file = file->next) {
        EXPECT_EQ(chmd->extract(chmd, file, out.c_str()), MSPACK_ERR_OK) << file->filename;
        files[file->filename] = ReadFileBytes(out);
    }
    chmd->close(chmd, header);
    mspack_destroy_chm_decompressor(chmd);
    return files;
}

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
