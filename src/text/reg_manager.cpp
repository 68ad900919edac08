#include "text/reg_manager.h"

#include <algorithm>
#include <atomic>
#include <chrono>
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

std::atomic<unsigned long> g_nRetriesInMatch{CRegLimits{}.m_nRetriesInMatch};
std::atomic<unsigned long> g_nRetriesInSearch{CRegLimits{}.m_nRetriesInSearch};
std::atomic<int> g_nMilliseconds{CRegLimits{}.m_nMilliseconds};

// Our own code, beside Oniguruma's negative error codes, for a search out of time.
constexpr int kTimeLimitOver = -100000;

using Clock = std::chrono::steady_clock;

std::string EngineErrorText(int code, const OnigErrorInfo* info = nullptr) {
    if (code == kTimeLimitOver) {
        return "time limit over (" + std::to_string(g_nMilliseconds.load()) + " ms)";
    }
    OnigUChar text[ONIG_MAX_ERROR_MESSAGE_LEN];
    const int length = info != nullptr ? onig_error_code_to_str(text, code, info)
                                       : onig_error_code_to_str(text, code);
    return std::string(reinterpret_cast<const char*>(text), length > 0 ? length : 0);
}

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
        if (m_pParam) onig_free_match_param(m_pParam);
        if (m_pRegion) onig_region_free(m_pRegion, 1);
        if (m_pRegex) onig_free(m_pRegex);
    }
    // False with the engine's reason in `error` when the pattern does not compile.
    bool Compile(std::string_view pattern, const CRegOptions& options,
                 std::string* error = nullptr) {
        OnigErrorInfo info{};
        const int rc =
            onig_new(&m_pRegex, Bytes(pattern), Bytes(pattern) + pattern.size(), options.m_nOption,
                     OnigEncodingOf(options.m_nEncoding), ONIG_SYNTAX_RUBY, &info);
        if (rc != ONIG_NORMAL) {
            m_pRegex = nullptr;
            if (error != nullptr) *error = EngineErrorText(rc, &info);
            return false;
        }
        m_pParam = onig_new_match_param();
        if (m_pParam == nullptr) return false;
        onig_initialize_match_param(m_pParam);
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

    int CaptureCount() const { return onig_number_of_captures(m_pRegex); }

    // Takes the process-wide work bounds for the searches that follow.
    void ApplyLimits() const {
        onig_set_retry_limit_in_match_of_match_param(m_pParam, g_nRetriesInMatch.load());
        onig_set_retry_limit_in_search_of_match_param(m_pParam, g_nRetriesInSearch.load());
        if (m_pTail) m_pTail->ApplyLimits();
    }

    // The engine's own search; its retry limits bound it.
    int EngineSearch(const OnigUChar* begin, const OnigUChar* end, int start) const {
        return onig_search_with_param(m_pRegex, begin, end, begin + start, end, m_pRegion,
                                      ONIG_OPTION_NONE, m_pParam);
    }

    // onig_search from `start` to the end of the subject: the first match, its start
    // offset (or a negative code) returned and its groups in the region. Gives up with
    // kTimeLimitOver once `deadline` has passed between two match attempts.
    int Search(const OnigUChar* begin, const OnigUChar* end, int start,
               Clock::time_point deadline) const {
        if (!m_pPrefix) return EngineSearch(begin, end, start);
        // A match can only start where the literal stands: only those places are tried,
        // in order, each with one match attempt. A place counts as a character start when
        // the encoding says so, as Oniguruma's own literal search decides it.
        const char* const text = reinterpret_cast<const char*>(begin);
        const char* const stop = reinterpret_cast<const char*>(end);
        const OnigEncoding encoding = onig_get_encoding(m_pRegex);
        const char* from = text + start;
        for (unsigned attempts = 1;; ++attempts) {
            const char* const at = m_pPrefix->Find(from, stop);
            if (at == stop) return ONIG_MISMATCH;
            // Each attempt is bounded by the engine; their number by the clock.
            if (attempts % 16 == 0 && Clock::now() > deadline) return kTimeLimitOver;
            const auto* const place = reinterpret_cast<const OnigUChar*>(at);
            if (onigenc_get_left_adjust_char_head(encoding, begin + start, place) == place) {
                if (m_pTail) {
                    return SearchLazyTail(begin, end, start, static_cast<int>(at - text), deadline);
                }
                const int rc = onig_match_with_param(m_pRegex, begin, end, place, m_pRegion,
                                                     ONIG_OPTION_NONE, m_pParam);
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
    int SearchLazyTail(const OnigUChar* begin, const OnigUChar* end, int start, int at,
                       Clock::time_point deadline) const {
        const int open = at + static_cast<int>(m_lazy.m_nHeadLength);
        const int found = m_pTail->Search(begin, end, open, deadline);
        if (found == ONIG_MISMATCH) return ONIG_MISMATCH;
        if (found < 0) return found;
        const char* const text = reinterpret_cast<const char*>(begin);
        if (found < open || !IsWellFormedSjis(text + open, text + found)) {
            // Broken double-byte text: the engine decides alone.
            return EngineSearch(begin, end, start);
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
    OnigMatchParam* m_pParam = nullptr;
    std::unique_ptr<CRegLiteralPrefix> m_pPrefix;
    CRegLazyTail m_lazy;
    std::unique_ptr<Compiled> m_pTail;
};

// Compiling costs about as much as searching a page, and a worker converts every page with
// the same few patterns: each thread keeps what it compiled (a compiled pattern is used by
// one thread at a time). Patterns made from page texts could be endless, so the cache is
// emptied when it grows past a bound.
constexpr std::size_t kMaxCachedPatterns = 256;

const Compiled* CompiledPattern(std::string_view pattern, const CRegOptions& options,
                                std::string* error) {
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
    if (!compiled->Compile(pattern, options, error)) return nullptr;
    if (cache.size() >= kMaxCachedPatterns) cache.clear();
    return cache.emplace(std::move(key), std::move(compiled)).first->second.get();
}

}  // namespace

CRegLimits GetRegLimits() {
    CRegLimits limits;
    limits.m_nRetriesInMatch = g_nRetriesInMatch.load();
    limits.m_nRetriesInSearch = g_nRetriesInSearch.load();
    limits.m_nMilliseconds = g_nMilliseconds.load();
    return limits;
}

void SetRegLimits(const CRegLimits& limits) {
    g_nRetriesInMatch = limits.m_nRetriesInMatch;
    g_nRetriesInSearch = limits.m_nRetriesInSearch;
    g_nMilliseconds = limits.m_nMilliseconds;
}

CRegManager::CRegManager() { InitializeRegEngine(); }

std::string CRegManager::CompileError(std::string_view pattern, std::string_view options) {
    InitializeRegEngine();
    const CRegOptions parsed(options);
    std::string error;
    if (CompiledPattern(pattern, parsed, &error) != nullptr) return std::string();
    return error.empty() ? std::string("invalid pattern") : error;
}

int CRegManager::CaptureCount(std::string_view pattern, std::string_view options) {
    InitializeRegEngine();
    const Compiled* const compiled = CompiledPattern(pattern, CRegOptions(options), nullptr);
    return compiled != nullptr ? compiled->CaptureCount() : -1;
}

CRegManager::~CRegManager() = default;

void CRegManager::Reset() {
    m_regions.clear();
    m_nGroupCount = 0;
    m_nMatchCount = 0;
    m_strSubject.clear();
    m_pOptions.reset();
    m_nCurrent = -1;
    m_strError.clear();
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
    if (m_strSubject.size() >= static_cast<size_t>(INT_MAX)) {
        m_strError = "subject too long";
        return kNotCompiled;
    }

    const Compiled* const compiled = CompiledPattern(pattern, *m_pOptions, &m_strError);
    if (compiled == nullptr) return kNotCompiled;
    OnigRegion* const region = compiled->m_pRegion;
    compiled->ApplyLimits();
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(g_nMilliseconds);

    const OnigUChar* const begin = Bytes(m_strSubject);
    const OnigUChar* const end = begin + m_strSubject.size();
    const int length = static_cast<int>(m_strSubject.size());
    int start = 0;
    for (;;) {
        const int found = compiled->Search(begin, end, start, deadline);
        if (found == ONIG_MISMATCH) break;
        if (found < 0 || Clock::now() > deadline) {
            // Out of bounds: what was found so far is no answer either.
            m_strError = EngineErrorText(found < 0 ? found : kTimeLimitOver);
            m_regions.clear();
            m_nGroupCount = 0;
            m_nMatchCount = 0;
            return kGivenUp;
        }
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
