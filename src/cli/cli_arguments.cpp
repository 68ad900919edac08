#include "cli/cli_arguments.h"

#include <boost/format.hpp>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "cli/cli_texts.h"

namespace corvane {

CCliArguments::CCliArguments(const std::vector<std::string>& args,
                             const std::map<std::string, int>& valueCounts) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-h" && valueCounts.count("--help") != 0) {
            m_values["--help"] = {};
            continue;
        }
        if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            auto known = valueCounts.find(arg);
            if (known == valueCounts.end()) {
                m_strError = (boost::format(cli::kUnknownOption) % arg).str();
                return;
            }
            std::vector<std::string> values;
            for (int n = 0; n < known->second; ++n) {
                if (i + 1 >= args.size()) {
                    m_strError = (boost::format(cli::kMissingValue) % arg).str();
                    return;
                }
                values.push_back(args[++i]);
            }
            m_values[arg] = values;
        } else {
            m_positional.push_back(arg);
        }
    }
}

std::string CCliArguments::Value(const std::string& option, size_t i,
                                 const std::string& fallback) const {
    auto it = m_values.find(option);
    if (it == m_values.end() || i >= it->second.size()) return fallback;
    return it->second[i];
}

bool CCliArguments::Number(const std::string& option, int minimum, int& value) {
    if (!Has(option)) return true;
    const std::string text = Value(option);
    char* end = nullptr;
    errno = 0;
    long number = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || number < minimum || number > INT_MAX) {
        m_strError = (boost::format(cli::kBadNumber) % option % text).str();
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

}  // namespace corvane
