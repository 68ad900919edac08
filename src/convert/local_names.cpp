#include "convert/local_names.h"

#include "convert/wiki_url.h"
#include "net/url_primitives.h"
#include "platform/ascii.h"

namespace corvane {
namespace {

// The name as a case-insensitive file system sees it: ASCII letters folded, the bytes of
// double-byte characters (whose trail bytes may look like letters) kept.
std::string Folded(const std::string& name) {
    std::string out = name;
    for (std::size_t i = 0; i < out.size();) {
        const std::size_t length = SjisCharLength(out, i);
        if (length == 1) out[i] = AsciiLower(out[i]);
        i += length;
    }
    return out;
}

// "C2B.html" → "C2B_2.html"; a name without an extension gets the number at its end.
std::string Numbered(const std::string& name, int number) {
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) dot = name.size();
    return name.substr(0, dot) + "_" + std::to_string(number) + name.substr(dot);
}

}  // namespace

std::string CLocalNames::Assign(const std::string& url, const std::string& scriptUrl) {
    const std::string local = LocalFileName(url, scriptUrl);
    const std::string target = LocalFileTarget(url, scriptUrl);
    if (local.empty() || target.empty()) return local;
    const std::size_t hash = local.find('#');
    const std::string fragment = hash == std::string::npos ? std::string() : local.substr(hash);
    const std::string wanted = local.substr(0, hash);

    std::lock_guard<std::mutex> lock(m_mutex);
    auto known = m_byTarget.find(target);
    if (known != m_byTarget.end()) return known->second + fragment;
    std::string name = wanted;
    for (int number = 2; m_byFolded.count(Folded(name)) != 0; ++number) {
        name = Numbered(wanted, number);
    }
    m_byFolded.emplace(Folded(name), target);
    m_byTarget.emplace(target, name);
    return name + fragment;
}

}  // namespace corvane
