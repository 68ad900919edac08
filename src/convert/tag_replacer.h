// Finding the elements of a piece of HTML that refer to other files ("a" with "href",
// "img" with "src", "link" with "href") and rewriting their values; everything else stays
// byte for byte as it was.
#pragma once

#include <string>
#include <vector>

#include "convert/link_record.h"
#include "text/reg_callback.h"

namespace corvane {

struct CTagSpec {
    LinkKind m_kind = LinkKind::None;
    std::string m_strTag;
    std::string m_strAttribute;
};

// The pattern that finds every element of the listed tags with one of the listed
// attributes. Group 1 is the tag name, group 2 the attribute name, and exactly one of
// groups 3 to 5 holds the value (in double quotes, in single quotes, or bare).
std::string BuildTagPattern(const std::vector<CTagSpec>& specs);

// The replacement callback for the tag pattern: when the matched tag and attribute match
// one of the tag specs and ConvertUrl accepts the value, the value is replaced by
// the record's reference and the record is collected.
class CTagReplacer : public CRegCallback {
public:
    CTagReplacer(int tagGroup, int attributeGroup, int valueGroup,
                 const std::vector<CTagSpec>& specs);
    std::string GetReplacement(const CRegMatch& match) override;
    // 1 when `value` is to be replaced by record.m_strReference and recorded.
    virtual int ConvertUrl(LinkKind kind, const std::string& value, CLinkRecord& record) = 0;

    const std::vector<CLinkRecord>& GetRecords() const { return m_records; }

protected:
    std::vector<CTagSpec> m_specs;
    int m_nTagGroup;
    int m_nAttributeGroup;
    int m_nValueGroup;
    std::vector<CLinkRecord> m_records;
};

}  // namespace corvane
