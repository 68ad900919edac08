#include "platform/app_folders.h"

#include <cstdlib>
#include <filesystem>

#include "platform/text_codec.h"

namespace corvane {
namespace fs = std::filesystem;

namespace {

std::string AsFolderText(const fs::path& folder) {
    if (folder.empty()) return {};
    std::string text = FromNativePath(folder);
    if (text.back() != NativeSeparator()) text += NativeSeparator();
    return text;
}

}  // namespace

std::string GetProgramFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) return {};
    return AsFolderText(exe.parent_path());
}

std::string GetUserConfigFolder() {
    // XDG base directories ignore relative values.
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    fs::path base;
    if (xdg && *xdg && fs::path(xdg).is_absolute()) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) return {};
        base = fs::path(home) / ".config";
    }
    return AsFolderText(base / "corvane");
}

std::string GetDataFolder() {
#ifdef CORVANE_DATADIR
    return AsFolderText(fs::path(CORVANE_DATADIR));
#else
    return {};
#endif
}

}  // namespace corvane
