#include "platform/text_codec.h"

#include <iconv.h>

#include <cerrno>

#include "platform/sjis.h"

namespace corvane {
namespace {

constexpr const char* kSjis = "CP932";
constexpr const char* kUtf8 = "UTF-8";

// Owns one iconv descriptor for the duration of a conversion.
class IconvHandle {
public:
    IconvHandle(const char* from, const char* to) : m_cd(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (m_cd != reinterpret_cast<iconv_t>(-1)) iconv_close(m_cd);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_cd; }

private:
    iconv_t m_cd;
};

// Shared loop: returns false on the first bad sequence when `replacement` is null.
bool Convert(std::string_view text, const char* from, const char* to,
             const std::string_view* replacement, std::string& out) {
    out.clear();
    IconvHandle cd(from, to);
    if (!cd.valid()) return false;
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        size_t rc = iconv(cd.get(), &in, &inLeft, &dst, &dstLeft);
        out.append(buffer, dst - buffer);
        if (rc != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        if (!replacement) return false;
        // EILSEQ (malformed or unmappable) or EINVAL (truncated at the end): skip one
        // input character and put the replacement in its place.
        out.append(*replacement);
        size_t skip = 1;
        if (std::string_view(from) == kUtf8) {
            while (skip < inLeft && (static_cast<unsigned char>(in[skip]) & 0xC0) == 0x80) ++skip;
        } else if (std::string_view(from) == kSjis && inLeft >= 2) {
            unsigned char lead = static_cast<unsigned char>(in[0]);
            if (IsSjisLeadByte(lead)) skip = 2;
        }
        in += skip;
        inLeft -= skip;
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    iconv(cd.get(), nullptr, nullptr, &dst, &dstLeft);
    out.append(buffer, dst - buffer);
    return true;
}

}  // namespace

std::string ConvertCodePage(std::string_view text, const char* from, const char* to,
                            std::string_view replacement) {
    std::string out;
    Convert(text, from, to, &replacement, out);
    return out;
}

std::optional<std::string> ConvertCodePageStrict(std::string_view text, const char* from,
                                                 const char* to) {
    std::string out;
    if (!Convert(text, from, to, nullptr, out)) return std::nullopt;
    return out;
}

std::string SjisToUtf8(std::string_view sjis) {
    return ConvertCodePage(sjis, kSjis, kUtf8, "\xEF\xBF\xBD");
}

std::string Utf8ToSjis(std::string_view utf8, std::string_view replacement) {
    return ConvertCodePage(utf8, kUtf8, kSjis, replacement);
}

std::filesystem::path ToNativePath(std::string_view sjisPath) {
#ifdef _WIN32
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(SjisToUtf8(sjisPath).c_str())));
#else
    return std::filesystem::path(SjisToUtf8(sjisPath));
#endif
}

std::string FromNativePath(const std::filesystem::path& path) {
    auto u8 = path.u8string();
    return Utf8ToSjis(std::string_view(reinterpret_cast<const char*>(u8.data()), u8.size()));
}

char NativeSeparator() {
#ifdef _WIN32
    return '\\';
#else
    return '/';
#endif
}

}  // namespace corvane
