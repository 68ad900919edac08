#include "convert/rule_file.h"

#include <fstream>
#include <sstream>

#include "platform/text_codec.h"

namespace corvane {

std::vector<std::string> ParseRuleLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos) {
            continue;
        }
        line = line.substr(first, line.find_last_not_of(" \t") - first + 1);
        if (line[0] != '#') {
            lines.push_back(line);
        }
    }
    return lines;
}

std::vector<std::string> ReadRuleFile(const std::string& path) {
    std::ifstream in(ToNativePath(path), std::ios::binary);
    if (!in) {
        return {};
    }
    std::ostringstream text;
    text << in.rdbuf();
    return ParseRuleLines(text.str());
}

}  // namespace corvane
