#include "crawl/output_file.h"

#include <filesystem>
#include <fstream>

#include "platform/text_codec.h"

namespace corvane {

bool IsSafeLocalName(const std::string& localName) {
    if (localName.empty()) return false;
    if (localName[0] == '/' || localName[0] == '\\') return false;
    if (localName.size() >= 2 && localName[1] == ':') return false;  // a drive
    std::size_t start = 0;
    while (start <= localName.size()) {
        std::size_t end = localName.find_first_of("/\\", start);
        if (end == std::string::npos) end = localName.size();
        if (localName.compare(start, end - start, "..") == 0) return false;
        start = end + 1;
    }
    return true;
}

bool WriteOutputFile(const std::string& folder, const std::string& localName,
                     const std::vector<char>& body) {
    if (!IsSafeLocalName(localName)) return false;
    std::filesystem::path path = ToNativePath(folder + localName);
    std::error_code error;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) out.write(body.data(), static_cast<std::streamsize>(body.size()));
    return true;
}

}  // namespace corvane
