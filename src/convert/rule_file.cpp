#include "convert/rule_file.h"

#include <fstream>
#include <sstream>

#include "platform/text_codec.h"

namespace corvane {

std::vector<CRuleLine> ParseNumberedRuleLines(const std::string& text) {
    std::vector<CRuleLine> lines;
    std::size_t start = 0;
    int number = 0;
    while (start < text.size()) {
        ++number;
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
            lines.push_back({number, line});
        }
    }
    return lines;
}

std::vector<std::string> ParseRuleLines(const std::string& text) {
    std::vector<std::string> lines;
    for (CRuleLine& line : ParseNumberedRuleLines(text)) {
        lines.push_back(std::move(line.m_strPattern));
    }
    return lines;
}

bool ReadRuleFileText(const std::string& path, std::string& text) {
    std::ifstream in(ToNativePath(path), std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    text = bytes.str();
    return true;
}

std::vector<std::string> ReadRuleFile(const std::string& path) {
    std::string text;
    if (!ReadRuleFileText(path, text)) {
        return {};
    }
    return ParseRuleLines(text);
}

}  // namespace corvane
