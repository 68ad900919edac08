#include "platform/program_search.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/text_codec.h"

namespace corvane {
namespace {

bool IsExecutableFile(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string ResolveProgram(const std::string& program) {
    if (program.empty()) return program;
    std::error_code ec;
    if (program.find('/') != std::string::npos) {
        auto absolute = std::filesystem::absolute(ToNativePath(program), ec);
        return ec ? program : FromNativePath(absolute);
    }
    const char* path = std::getenv("PATH");
    const std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string dir = dirs.substr(start, end - start);
        // An empty entry is the current folder to a shell; a compiler is not taken from
        // wherever the program happens to run.
        if (!dir.empty()) {
            const std::filesystem::path candidate =
                std::filesystem::path(dir) / ToNativePath(program);
            if (IsExecutableFile(candidate)) return FromNativePath(candidate);
        }
        start = end + 1;
    }
    return program;
}

}  // namespace corvane
