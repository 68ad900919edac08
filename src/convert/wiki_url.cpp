#include "convert/wiki_url.h"

#include <boost/format.hpp>

#include "net/url_parts.h"
#include "net/url_primitives.h"
#include "platform/ascii.h"
#include "platform/text_codec.h"
#include "text/cp932_encoder.h"
#include "text/reg_manager.h"
#include "text/text_encoding.h"

namespace corvane {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\' || c == ':'; }

// The last component of a path text by the Windows shell's rule: the text after the last
// separator that is followed by something other than another separator or the end.
std::string FindFileName(const std::string& text) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); i += SjisCharLength(text, i)) {
        if (IsSeparator(text[i]) && i + 1 < text.size() && !IsSeparator(text[i + 1])) {
            start = i + 1;
        }
    }
    return text.substr(start);
}

// Query texts become flat file names: '%' is dropped (PukiWiki percent-encodes page names,
// so a Japanese name becomes its hexadecimal digits) and the characters that would make a
// folder part are written as their escape without the '%', so "A/B" and "A%2FB" agree.
std::string FlattenName(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = SjisCharLength(text, i);
        if (len > 1) {
            out.append(text, i, len);
        } else if (text[i] == '/') {
            out += "2F";
        } else if (text[i] == '\\') {
            out += "5C";
        } else if (text[i] == ':') {
            out += "3A";
        } else if (text[i] != '%') {
            out += text[i];
        }
        i += len;
    }
    return out;
}

// The value of parameter `name` in a query ("a=1&b=2"), letter case respected; empty when
// it is missing. A fragment ends the last value.
std::string QueryParam(const std::string& query, const std::string& name) {
    CRegManager reg;
    if (reg.Search(query, "(?:\\A|&)" + name + "=([^&#]*)") < 1) {
        return {};
    }
    return reg.GetGroup(1);
}

std::string Fragment(const std::string& text) {
    const std::size_t hash = text.find('#');
    return hash == std::string::npos ? std::string() : text.substr(hash);
}

// The page and file names of an attachment or image URL, in whatever order PukiWiki wrote
// the parameters; false when the query names no such file.
bool PluginParts(const std::string& query, std::string& page, std::string& file) {
    if (query.find("plugin=") == std::string::npos) {
        return false;
    }
    const std::string plugin = QueryParam(query, "plugin");
    if (plugin == "attach") {
        page = QueryParam(query, "refer");
        file = QueryParam(query, "openfile");
        if (file.empty() && QueryParam(query, "pcmd") == "open") {
            file = QueryParam(query, "file");
        }
    } else if (plugin == "ref") {
        page = QueryParam(query, "page");
        file = QueryParam(query, "src");
    }
    return !page.empty() && !file.empty();
}

// Attachments and images: "PAGE_FILE".
std::string PluginFileName(const std::string& query) {
    std::string page;
    std::string file;
    if (!PluginParts(query, page, file)) {
        return {};
    }
    return FlattenName((boost::format("%s_%s") % page % file).str());
}

// Percent escapes with upper-case digits: "%e3" and "%E3" are one byte.
std::string NormalEscapes(std::string text) {
    for (std::size_t i = 0; i + 2 < text.size(); ++i) {
        if (text[i] != '%') continue;
        text[i + 1] = AsciiUpper(text[i + 1]);
        text[i + 2] = AsciiUpper(text[i + 2]);
    }
    return text;
}

}  // namespace

namespace {

// The script's path with a trailing "index.php" dropped: "dir/" and "dir/index.php" are
// one script, and an empty path is the root.
std::string ScriptPath(const std::string& path) {
    std::string out = path.empty() ? std::string("/") : path;
    const std::string index = "/index.php";
    if (out.size() >= index.size() &&
        EqualsNoCaseAscii(out.substr(out.size() - index.size()), index)) {
        out.erase(out.size() - index.size() + 1);
    }
    return out;
}

// True when the extra information holds a query (something between '?' and '#').
bool HasQuery(const std::string& extra) {
    return extra.size() > 1 && extra[0] == '?' && extra[1] != '#';
}

}  // namespace

bool IsSameScript(const std::string& url, const std::string& scriptUrl) {
    if (scriptUrl.empty()) {
        return false;
    }
    const CUrlParts target(url);
    const CUrlParts script(scriptUrl);
    if (!target.IsValid() || !script.IsValid() || HasQuery(target.GetExtra())) {
        return false;
    }
    return EqualsNoCaseAscii(target.GetScheme(), script.GetScheme()) &&
           EqualsNoCaseAscii(target.GetHost(), script.GetHost()) &&
           target.GetPort() == script.GetPort() &&
           ScriptPath(target.GetPath()) == ScriptPath(script.GetPath());
}

std::string LocalFileName(const std::string& url, const std::string& scriptUrl) {
    const CUrlParts parts(url);
    if (!parts.IsValid()) {
        return {};
    }
    const std::string& extra = parts.GetExtra();
    std::string query = (!extra.empty() && extra[0] == '?') ? extra.substr(1) : std::string();
    if (query.empty() || query[0] == '#') {
        if (IsSameScript(url, scriptUrl)) {
            return std::string(kDefaultPageName) + ".html" + Fragment(extra);
        }
        // A file: its own name. '%' escapes are dropped as for pages, since the name is
        // written back into links where a '%' would be read as an escape.
        std::string name = FindFileName(url);
        std::string flat;
        for (char c : name) {
            if (c != '%') {
                flat += c;
            }
        }
        if (flat.empty() || flat.find_first_not_of('.') == std::string::npos ||
            flat.find_first_of("/\\:") != std::string::npos) {
            return {};
        }
        return flat;
    }
    std::string name = PluginFileName(query);
    if (!name.empty()) {
        return name;
    }
    const std::size_t page = query.find("page=");
    if (page != std::string::npos) {
        query.erase(0, page + 5);
    }
    name = FlattenName(query);
    const std::size_t hash = name.find('#');
    if (hash == std::string::npos) {
        name += ".html";
    } else {
        name.insert(hash, ".html");
    }
    return name;
}

std::string AttachmentFileUrl(const std::string& url) {
    const std::size_t question = url.find('?');
    if (question == std::string::npos) return {};
    const std::string query = url.substr(question + 1);
    if (QueryParam(query, "plugin") != "attach" || QueryParam(query, "pcmd") != "info") return {};
    const std::string file = QueryParam(query, "file");
    const std::string page = QueryParam(query, "refer");
    if (file.empty() || page.empty()) return {};
    return url.substr(0, question) + "?plugin=attach&pcmd=open&file=" + file + "&refer=" + page;
}

std::string LocalFileTarget(const std::string& url, const std::string& scriptUrl) {
    const CUrlParts parts(url);
    if (!parts.IsValid()) {
        return {};
    }
    const std::string& extra = parts.GetExtra();
    std::string query = (!extra.empty() && extra[0] == '?') ? extra.substr(1) : std::string();
    query = query.substr(0, query.find('#'));
    if (query.empty()) {
        if (IsSameScript(url, scriptUrl)) {
            return std::string("page:") + kDefaultPageName;
        }
        return "file:" + url.substr(0, url.find('#'));
    }
    std::string page;
    std::string file;
    if (PluginParts(query, page, file)) {
        return "plugin:" + NormalEscapes(page) + "\n" + NormalEscapes(file);
    }
    const std::size_t name = query.find("page=");
    if (name != std::string::npos) {
        query.erase(0, name + 5);
    }
    return "page:" + NormalEscapes(query);
}

namespace {

// A page name is too short for the encoding guess: the UTF-8 bytes of many Japanese names
// (はじめに and 用語集 among them) also read as Shift_JIS, and the guess
// takes them for it. A name that is valid UTF-8 and not guessed to be EUC-JP is read as
// UTF-8, the encoding of PukiWiki 1.5 sites.
std::string GuessPageName(const std::string& bytes) {
    const TextEncoding guess = DetectEncoding(bytes);
    bool beyondAscii = false;
    for (char c : bytes) beyondAscii |= static_cast<unsigned char>(c) >= 0x80;
    if (beyondAscii && (guess == kEncodingShiftJis || guess == kEncodingUndetermined)) {
        if (auto sjis = ConvertCodePageStrict(bytes, "UTF-8", "CP932")) return *sjis;
    }
    return ConvertToShiftJis(bytes);
}

// PukiWiki percent-encodes a page name in the site's own encoding, which is the encoding
// of the page that carries the link; the name's few bytes are guessed only without it.
std::string PageNameToShiftJis(const std::string& bytes, TextEncoding encoding) {
    switch (encoding) {
        case kEncodingUtf8:
            if (ConvertCodePageStrict(bytes, "UTF-8", "UTF-8")) return Utf8ToCp932(bytes);
            break;
        case kEncodingEucJp:
            return EucJpToShiftJis(bytes);
        case kEncodingShiftJis:
            return bytes;
        default:
            break;
    }
    return GuessPageName(bytes);
}

}  // namespace

int SplitPageUrl(const std::string& url, std::string& wikiBase, std::string& pageName,
                 const std::string& scriptUrl, TextEncoding nameEncoding) {
    const CUrlParts parts(url);
    if (!parts.IsValid()) {
        return 0;
    }
    const std::string& extra = parts.GetExtra();
    std::string name;
    if (HasQuery(extra)) {
        name = extra.substr(1);
        const std::size_t page = name.find("page=");
        if (page != std::string::npos) {
            name.erase(0, page + 5);
        }
        // PukiWiki writes a blank in a page name as '+' and a '+' as "%2B".
        for (char& c : name) {
            if (c == '+') {
                c = ' ';
            }
        }
        name = PageNameToShiftJis(UrlDecode(name), nameEncoding);
    } else if (IsSameScript(url, scriptUrl)) {
        name = kDefaultPageName;
    } else {
        return 0;
    }
    wikiBase = parts.GetScheme() + "://" + parts.GetHost() + parts.GetPath();
    pageName = name;
    return 1;
}

std::string StripLocalFragment(const std::string& localName) {
    return localName.substr(0, localName.find('#'));
}

}  // namespace corvane
