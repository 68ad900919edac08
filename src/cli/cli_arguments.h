// Reading a command's arguments: options with values, flags and positional arguments, with
// the command line's error texts.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace corvane {

class CCliArguments {
public:
    // `valueCounts`: the options the command knows and how many values each takes (0 for a
    // flag). Arguments are Shift_JIS texts.
    CCliArguments(const std::vector<std::string>& args,
                  const std::map<std::string, int>& valueCounts);

    // Empty when the arguments were read; otherwise the message that says what is wrong.
    const std::string& Error() const { return m_strError; }

    bool Has(const std::string& option) const { return m_values.count(option) != 0; }
    // The option's i-th value, or `fallback` when the option is absent.
    std::string Value(const std::string& option, size_t i = 0,
                      const std::string& fallback = "") const;
    // The option's value as a whole number of at least `minimum`; sets the error otherwise.
    bool Number(const std::string& option, int minimum, int& value);
    const std::vector<std::string>& Positional() const { return m_positional; }

private:
    std::map<std::string, std::vector<std::string>> m_values;
    std::vector<std::string> m_positional;
    std::string m_strError;
};

}  // namespace corvane
