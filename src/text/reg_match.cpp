#include "text/reg_match.h"

#include "text/reg_engine.h"

namespace corvane {

CRegMatch::CRegMatch(std::string_view subject, const int* region, int groupCount,
                     RegEncoding encoding)
    : m_strSubject(subject),
      m_pRegion(region),
      m_nGroupCount(region ? groupCount : 0),
      m_nEncoding(encoding) {}

int CRegMatch::GroupCount() const { return m_nGroupCount; }

bool CRegMatch::HasGroup(int index) const {
    return index >= 0 && index < GroupCount() && Begin(index) >= 0 && End(index) >= Begin(index);
}

std::string CRegMatch::Group(int index) const {
    if (!HasGroup(index)) return {};
    return std::string(m_strSubject.substr(Begin(index), End(index) - Begin(index)));
}

int CRegMatch::Position(int index) const { return HasGroup(index) ? Begin(index) : -1; }

int CRegMatch::Length(int index) const {
    if (index < 0 || index >= GroupCount()) return -1;
    return HasGroup(index) ? End(index) - Begin(index) : 0;
}

int CRegMatch::FirstMatchedGroup(int from) const {
    if (from < 0) return -1;
    for (int i = from; i < GroupCount(); ++i) {
        if (HasGroup(i)) return i;
    }
    return -1;
}

std::string CRegMatch::ReplaceGroup(int index, std::string_view text, int first, int last) const {
    if (!HasGroup(index)) return {};
    const int windowBegin = HasGroup(first) ? Begin(first) : 0;
    const int windowEnd = HasGroup(last) ? End(last) : static_cast<int>(m_strSubject.size());
    const int groupBegin = Begin(index);
    const int groupEnd = End(index);
    if (groupBegin < windowBegin || groupEnd > windowEnd) return {};
    std::string result;
    result.reserve(static_cast<size_t>(windowEnd - windowBegin) + text.size());
    result.append(m_strSubject.substr(windowBegin, groupBegin - windowBegin));
    result.append(text);
    result.append(m_strSubject.substr(groupEnd, windowEnd - groupEnd));
    return result;
}

std::string CRegMatch::Format(std::string_view format) const {
    std::string out;
    out.reserve(format.size());
    const char* const end = format.data() + format.size();
    const char* p = format.data();
    while (p < end) {
        const int len = RegCharLength(m_nEncoding, p, end);
        if (len > 1) {
            // A double-byte character's trail byte may be 0x5C or 0x24: never look at it.
            out.append(p, len);
            p += len;
            continue;
        }
        const char c = *p;
        const bool hasNext = p + 1 < end;
        const bool introducer = hasNext && (c == '\\' || (c == '$' && p[1] != '\\' && p[1] != '$'));
        if (!introducer) {
            out.push_back(c);
            ++p;
            continue;
        }
        const char d = p[1];
        if (d >= '0' && d <= '9') {
            out.append(Group(d - '0'));
        } else if (d == '&') {
            out.append(Group(0));
        } else if (d == '`') {
            if (HasGroup(0)) out.append(m_strSubject.substr(0, Begin(0)));
        } else if (d == '\'') {
            if (HasGroup(0)) out.append(m_strSubject.substr(End(0)));
        } else if (d == '+') {
            for (int i = GroupCount() - 1; i > 0; --i) {
                if (HasGroup(i)) {
                    out.append(Group(i));
                    break;
                }
            }
        } else if (d == '\\') {
            out.push_back('\\');
        } else {
            // Unknown escape: kept as written. The byte after the introducer may lead a
            // double-byte character, which is then copied whole.
            const int next = RegCharLength(m_nEncoding, p + 1, end);
            out.append(p, 1 + next);
            p += 1 + next;
            continue;
        }
        p += 2;
    }
    return out;
}

}  // namespace corvane
