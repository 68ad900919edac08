#include "text/reg_engine.h"

#include <algorithm>
#include <mutex>

namespace corvane {

void InitializeRegEngine() {
    // Oniguruma initialises an encoding lazily on first use, which races when several crawl
    // workers compile their first patterns at once: do it once, up front, for all three.
    static std::once_flag once;
    std::call_once(once, [] {
        OnigEncoding encodings[] = {ONIG_ENCODING_SJIS, ONIG_ENCODING_EUC_JP, ONIG_ENCODING_UTF8};
        onig_initialize(encodings, sizeof(encodings) / sizeof(encodings[0]));
    });
}

OnigEncoding OnigEncodingOf(RegEncoding encoding) {
    switch (encoding) {
        case RegEncoding::EucJp:
            return ONIG_ENCODING_EUC_JP;
        case RegEncoding::Utf8:
            return ONIG_ENCODING_UTF8;
        case RegEncoding::ShiftJis:
            break;
    }
    return ONIG_ENCODING_SJIS;
}

int RegCharLength(RegEncoding encoding, const char* p, const char* end) {
    const int n =
        ONIGENC_MBC_ENC_LEN(OnigEncodingOf(encoding), reinterpret_cast<const OnigUChar*>(p));
    return std::clamp(n, 1, static_cast<int>(std::max<std::ptrdiff_t>(end - p, 1)));
}

}  // namespace corvane
