#include "help/help_project_file.h"

#include "platform/ascii.h"

namespace corvane {

std::string CHelpProjectFile::Get(const std::string& key, const std::string& fallback) const {
    auto found = options.find(key);
    return found == options.end() ? fallback : found->second;
}

CHelpProjectFile ParseHelpProjectFile(const std::string& text) {
    CHelpProjectFile project;
    std::string section;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        size_t first = 0;
        while (first < line.size() && (line[first] == ' ' || line[first] == '\t')) ++first;
        line.erase(0, first);
        if (line.empty() || line[0] == ';') continue;
        if (line.front() == '[' && line.back() == ']') {
            section = ToLowerAscii(line.substr(1, line.size() - 2));
            continue;
        }
        if (section == "options") {
            const size_t equals = line.find('=');
            if (equals == std::string::npos) continue;
            project.options[ToLowerAscii(line.substr(0, equals))] = line.substr(equals + 1);
        } else if (section == "windows") {
            project.windows.push_back(line);
        } else if (section == "files") {
            project.files.push_back(line);
        }
    }
    return project;
}

bool IsLocalFileName(const std::string& name) {
    if (name.empty() || name[0] == '/' || name[0] == '\\') return false;
    if (name.find(':') != std::string::npos) return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos) end = name.size();
        if (name.compare(start, end - start, "..") == 0 && end - start == 2) return false;
        start = end + 1;
    }
    return true;
}

}  // namespace corvane
