#include "convert/tag_replacer.h"

#include <boost/format.hpp>

#include "platform/ascii.h"
#include "text/reg_match.h"

namespace corvane {
namespace {

std::string Join(const std::vector<CTagSpec>& specs, std::string CTagSpec::*field) {
    std::string out;
    for (const CTagSpec& entry : specs) {
        if (!out.empty()) {
            out += '|';
        }
        out += entry.*field;
    }
    return out;
}

}  // namespace

std::string BuildTagPattern(const std::vector<CTagSpec>& specs) {
    const std::string url = "[-A-Za-z0-9_./~,$!*();:@=&+#?%'\\[\\]]+";
    const std::string rest = "[^\"'<>]*(?:\"[^\"]*\"[^\"'<>]*|'[^']*'[^\"'<>]*)*";
    const std::string value =
        (boost::format("\"\\s*(%s)\\s*\"|'\\s*(%s)\\s*'|(%s)") % url % url % url).str();
    return (boost::format("<(%s)%s(%s)\\s*=\\s*(?:%s)%s>") % Join(specs, &CTagSpec::m_strTag) %
            rest % Join(specs, &CTagSpec::m_strAttribute) % value % rest)
        .str();
}

CTagReplacer::CTagReplacer(int tagGroup, int attributeGroup, int valueGroup,
                           const std::vector<CTagSpec>& specs)
    : m_specs(specs),
      m_nTagGroup(tagGroup),
      m_nAttributeGroup(attributeGroup),
      m_nValueGroup(valueGroup) {}

std::string CTagReplacer::GetReplacement(const CRegMatch& match) {
    const std::string tag = match.Group(m_nTagGroup);
    const std::string attribute = match.Group(m_nAttributeGroup);
    const int valueGroup = match.FirstMatchedGroup(m_nValueGroup);
    const std::string value = valueGroup < 0 ? std::string() : match.Group(valueGroup);
    if (value.empty()) {
        return match.Group(0);
    }
    const CLinkRecord* last = nullptr;
    for (const CTagSpec& entry : m_specs) {
        if (!EqualsNoCaseAscii(entry.m_strTag, tag) ||
            !EqualsNoCaseAscii(entry.m_strAttribute, attribute)) {
            continue;
        }
        CLinkRecord record;
        if (ConvertUrl(entry.m_kind, value, record) == 1) {
            m_records.push_back(record);
            last = &m_records.back();
        }
    }
    if (last == nullptr) {
        return match.Group(0);
    }
    return match.ReplaceGroup(valueGroup, last->m_strReference, 0, 0);
}

}  // namespace corvane
