#include "platform/folder_create.h"

#include <filesystem>
#include <system_error>

#include "platform/sjis.h"
#include "platform/text_codec.h"

namespace corvane {

bool FolderExists(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    return std::filesystem::is_directory(ToNativePath(path), ec);
}

bool CreateFolderChain(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    std::filesystem::create_directories(ToNativePath(path), ec);
    return FolderExists(path);
}

std::string WithTrailingSeparator(const std::string& folder) {
    if (folder.empty()) return folder;
    // Walk by characters: a Shift_JIS trail byte may be 0x5C, which is not a backslash.
    size_t i = 0, lastStart = 0;
    while (i < folder.size()) {
        lastStart = i;
        unsigned char c = static_cast<unsigned char>(folder[i]);
        i += (IsSjisLeadByte(c) && i + 1 < folder.size()) ? 2 : 1;
    }
    bool single = i - lastStart == 1;
    char last = folder.back();
    if (single && (last == '/' || last == NativeSeparator())) return folder;
    return folder + NativeSeparator();
}

}  // namespace corvane
