#include "text/reg_manager.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <unordered_map>

#include "platform/atoi.h"
#include "text/reg_engine.h"
#include "text/reg_format_callback.h"
#include "text/reg_lazy_tail.h"
#include "text/reg_literal_prefix.h"

namespace corvane {

namespace {

const OnigUChar* Bytes(std::string_view text) {
    return reinterpret_cast<const OnigUChar*>(text.data());
}

// A compiled pattern and the region its searches fill.
class Compiled {
public:
    Compiled() = default;
    Compiled(const Compiled&) = delete;
    Compiled& operator=(const Compiled&) = delete;
    ~Compiled() {
        if (m_pRegion) onig_region_free(m_pRegion, 1);
        if (m_pRegex) onig_free(m_pRegex);
    }
    bool Compile(std::string_view pattern, const CRegOptions& options) {
        const int rc =
            onig_new(&m_pRegex, Bytes(pattern), Bytes(pattern) + pattern.size(), options.m_nOption,
                     OnigEncodingOf(options.m_nEncoding), ONIG_SYNTAX_RUBY, nullptr);
        if (rc != ONIG_NORMAL) {
            m_pRegex = nullptr;
            return false;
        }
        m_pRegion = onig_region_new();
        // Oniguruma has no fast search for a case-folded literal; a case-sensitive one it
        // finds well by itself.
        if ((options.m_nOption & ONIG_OPTION_IGNORECASE) != 0) {
            auto prefix = std::make_unique<CRegLiteralPrefix>(pattern, options.m_nEncoding);
            if (prefix->IsUsable()) m_pPrefix = std::move(prefix);
        }
        if (m_pPrefix && m_pPrefix->Literals().size() == 1 && m_pPrefix->PatternOffset() == 0 &&
            options.m_nEncoding == RegEncoding::ShiftJis) {
            if (auto split = SplitLazyTail(pattern, m_pPrefix->Literals().front().size())) {
                auto tail = std::make_unique<Compiled>();
                if (tail->Compile(split->m_strTail, options)) {
                    m_lazy = std::move(*split);
                    m_pTail = std::move(tail);
                }
            }
        }
        return m_pRegion != nullptr;
    }

    // onig_search from `start` to the end of the subject: the first match, its start
    // offset (or a negative code) returned and its groups in the region.
    int Search(const OnigUChar* begin, const OnigUChar* end, int start) const {
        if (!m_pPrefix) {
            return onig_search(m_pRegex, begin, end, begin + start, end, m_pRegion,
                               ONIG_OPTION_NONE);
        }
        // A match can only start where the literal stands: only those places are tried,
        // in order, each with one match attempt. A place counts as a character start when
        // the encoding says so, as Oniguruma's own literal search decides it.
        const char* const text = reinterpret_cast<const char*>(begin);
        const char* const stop = reinterpret_cast<const char*>(end);
        const OnigEncoding encoding = onig_get_encoding(m_pRegex);
        const char* from = text + start;
        for (;;) {
            const char* const at = m_pPrefix->Find(from, stop);
            if (at == stop) return ONIG_MISMATCH;
            const auto* const place = reinterpret_cast<const OnigUChar*>(at);
            if (onigenc_get_left_adjust_char_head(encoding, begin + start, place) == place) {
                if (m_pTail) return SearchLazyTail(begin, end, start, static_cast<int>(at - text));
                const int rc = onig_match(m_pRegex, begin, end, place, m_pRegion, ONIG_OPTION_NONE);
                if (rc >= 0) return static_cast<int>(at - text);
                if (rc != ONIG_MISMATCH) return rc;
            }
            // The literal starts with a single-byte character.
            from = at + 1;
        }
    }

    // The pattern LITERAL(.*?)(?=TAIL) found at `at`: group 1 runs up to the first place
    // from its start where the look-ahead matches, which a search for the tail finds. When
    // the tail matches nowhere after this place it matches nowhere after a later one.
    int SearchLazyTail(const OnigUChar* begin, const OnigUChar* end, int start, int at) const {
        const int open = at + static_cast<int>(m_lazy.m_nHeadLength);
        const int found = m_pTail->Search(begin, end, open);
        if (found == ONIG_MISMATCH) return ONIG_MISMATCH;
        const char* const text = reinterpret_cast<const char*>(begin);
        if (found < open || !IsWellFormedSjis(text + open, text + found)) {
            // Broken double-byte text (or an engine error): the engine decides alone.
            return onig_search(m_pRegex, begin, end, begin + start, end, m_pRegion,
                               ONIG_OPTION_NONE);
        }
        int close = found;
        if (m_lazy.m_bLeadingBlanks) {
            while (close > open && IsRegBlank(text[close - 1])) --close;
        }
        if (onig_region_resize(m_pRegion, 2) != ONIG_NORMAL) return ONIGERR_MEMORY;
        m_pRegion->beg[0] = at;
        m_pRegion->end[0] = close;
        m_pRegion->beg[1] = open;
        m_pRegion->end[1] = close;
        return at;
    }

    OnigRegex m_pRegex = nullptr;
    OnigRegion* m_pRegion = nullptr;
    std::unique_ptr<CRegLiteralPrefix> m_pPrefix;
    CRegLazyTail m_lazy;
    std::unique_ptr<Compiled> m_pTail;
};

// Compiling costs about as much as searching a page, and a worker converts every page with
// the same few patterns: each thread keeps what it compiled (a compiled pattern is used by
// one thread at a time). Patterns made from page texts could be endless, so the cache is
// emptied when it grows past a bound.
constexpr std::size_t kMaxCachedPatterns = 256;

const Compiled* CompiledPattern(std::string_view pattern, const CRegOptions& options) {
    thread_local std::unordered_map<std::string, std::unique_ptr<Compiled>> cache;
    std::string key(pattern);
    key += '\0';
    key += std::to_string(options.m_nOption);
    key += '/';
    key += std::to_string(static_cast<int>(options.m_nEncoding));
    auto it = cache.find(key);
    if (it != cache.end()) return it->second.get();
    auto compiled = std::make_unique<Compiled>();
    // A pattern that does not compile is not kept: it is rare, and its error comes each time.
    if (!compiled->Compile(pattern, options)) return nullptr;
    if (cache.size() >= kMaxCachedPatterns) cache.clear();
    return cache.emplace(std::move(key), std::move(compiled)).first->second.get();
}

}  // namespace

CRegManager::CRegManager() { InitializeRegEngine(); }

CRegManager::~CRegManager() = default;

void CRegManager::Reset() {
    m_regions.clear();
    m_nGroupCount = 0;
    m_nMatchCount = 0;
    m_strSubject.clear();
    m_pOptions.reset();
    m_nCurrent = -1;
}

int CRegManager::Search(std::string_view subject, std::string_view pattern,
                        std::string_view options) {
    Reset();
    m_strSubject.assign(subject);
    return SearchSubject(pattern, options);
}

int CRegManager::SearchSubject(std::string_view pattern, std::string_view options) {
    m_pOptions = std::make_unique<CRegOptions>(options);
    // Region offsets are ints.
    if (m_strSubject.size() >= static_cast<size_t>(INT_MAX)) return -1;

    const Compiled* const compiled = CompiledPattern(pattern, *m_pOptions);
    if (compiled == nullptr) return -1;
    OnigRegion* const region = compiled->m_pRegion;

    const OnigUChar* const begin = Bytes(m_strSubject);
    const OnigUChar* const end = begin + m_strSubject.size();
    const int length = static_cast<int>(m_strSubject.size());
    int start = 0;
    for (;;) {
        const int found = compiled->Search(begin, end, start);
        if (found < 0) break;  // no match, or the engine gave up
        m_nGroupCount = region->num_regs;
        for (int i = 0; i < region->num_regs; ++i) {
            m_regions.push_back(region->beg[i]);
            m_regions.push_back(region->end[i]);
        }
        ++m_nMatchCount;
        if (!m_pOptions->m_bGlobal) break;
        int next = region->end[0];
        if (next == region->beg[0]) {
            // An empty match would be found again at the same offset: move on by one whole
            // character, so that a double-byte character is never entered in the middle.
            if (next >= length) break;
            next += RegCharLength(m_pOptions->m_nEncoding, m_strSubject.data() + next,
                                  m_strSubject.data() + length);
        }
        if (next <= 0 || next >= length) break;
        start = next;
    }

    if (m_nMatchCount > 0) m_nCurrent = 0;
    return m_nMatchCount;
}

std::optional<CRegMatch> CRegManager::CurrentMatch() const {
    const int index = m_nCurrent < 0 ? m_nCurrent + m_nMatchCount : m_nCurrent;
    if (index < 0 || index >= m_nMatchCount || !m_pOptions) return std::nullopt;
    return CRegMatch(m_strSubject, m_regions.data() + 2 * index * m_nGroupCount, m_nGroupCount,
                     m_pOptions->m_nEncoding);
}

std::string CRegManager::GetGroup(int index) const {
    const auto match = CurrentMatch();
    return match ? match->Group(index) : std::string();
}

int CRegManager::GetGroupInt(int index) const { return AtoiClamped(GetGroup(index)); }

int CRegManager::GetGroupLength(int index) const {
    const auto match = CurrentMatch();
    return match ? match->Length(index) : -1;
}

int CRegManager::GetGroupPosition(int index) const {
    const auto match = CurrentMatch();
    return match ? match->Position(index) : -1;
}

std::string CRegManager::FormatMatch(std::string_view format) const {
    const auto match = CurrentMatch();
    return match ? match->Format(format) : std::string();
}

int CRegManager::Replace(std::string& subject, std::string_view pattern, CRegCallback& callback,
                         std::string_view options) {
    // The search keeps the subject it works on: hand it over rather than copy it.
    Reset();
    m_strSubject = std::move(subject);
    const int count = SearchSubject(pattern, options);
    if (count < 1) {
        subject = std::move(m_strSubject);
        m_strSubject.clear();
        return count;
    }

    // The callback may run searches of its own, even on this manager: work on this search's
    // results moved out of the members, and put them back afterwards.
    std::vector<int> regions = std::move(m_regions);
    std::string original = std::move(m_strSubject);
    std::unique_ptr<CRegOptions> searchOptions = std::move(m_pOptions);
    const int groups = m_nGroupCount;

    std::string result;
    result.reserve(original.size());
    size_t last = 0;
    for (int i = 0; i < count; ++i) {
        const int* region = regions.data() + 2 * i * groups;
        result.append(original, last, static_cast<size_t>(region[0]) - last);
        result.append(callback.GetReplacement(
            CRegMatch(original, region, groups, searchOptions->m_nEncoding)));
        last = static_cast<size_t>(region[1]);
    }
    result.append(original, last);

    Reset();
    m_regions = std::move(regions);
    m_nGroupCount = groups;
    m_nMatchCount = count;
    m_strSubject = std::move(original);
    m_pOptions = std::move(searchOptions);
    m_nCurrent = 0;
    subject = std::move(result);
    return count;
}

int CRegManager::ReplaceFormat(std::string& subject, std::string_view pattern,
                               std::string_view format, std::string_view options) {
    CRegFormatCallback callback(format);
    return Replace(subject, pattern, callback, options);
}

}  // namespace corvane
