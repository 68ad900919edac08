#include "project/corvane_doc.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "platform/ascii.h"
#include "platform/atoi.h"
#include "platform/file_io.h"
#include "platform/message_box.h"
#include "platform/sjis.h"
#include "platform/sjis_text.h"
#include "platform/system_error.h"
#include "platform/text_codec.h"
#include "project/blowfish.h"
#include "text/cp932_encoder.h"

namespace corvane {
namespace {

constinit CSjisText kFileNotFound{
    "\nこのファイルが見つかりません。\nパスとファイル名が正しいかどうか確認してください。"};
constinit CSjisText kCannotOpen{"ドキュメントを開くことに失敗しました。"};
constinit CSjisText kSaveFailed{"\nの保存に失敗しました。\n"};

// The element names, in the order of the file.
constexpr const char* kNames[13] = {
    "Folder", "BaseName", "URL",    "UseAuth",      "User",           "Password",        "Level",
    "Title",  "TocPat",   "Footer", "ConvWikiName", "WikiNameSearch", "WikiNameReplace",
};
// An element after those, written only when set, so that a project without it keeps the
// file as before.
constexpr const char* kInsecureTlsName = "InsecureTls";

constexpr size_t kMaxProjectFileSize = 64u << 20;

struct XmlDocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using XmlDocPtr = std::unique_ptr<xmlDoc, XmlDocFree>;

const xmlChar* X(const char* text) { return reinterpret_cast<const xmlChar*>(text); }

// Characters XML 1.0 cannot carry even as references; a file holding them could never be
// read back, so they are left out when writing.
std::string WithoutControlCharacters(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 && u != '\t' && u != '\n' && u != '\r') continue;
        out += c;
    }
    return out;
}

// The whole project file: the declaration, then "root" with the thirteen elements.
std::optional<std::string> BuildProjectXml(const std::string (&values)[13], bool insecureTls) {
    XmlDocPtr doc(xmlNewDoc(X("1.0")));
    if (!doc) return std::nullopt;
    xmlNode* root = xmlNewDocNode(doc.get(), nullptr, X("root"), nullptr);
    if (!root) return std::nullopt;
    xmlDocSetRootElement(doc.get(), root);
    for (int i = 0; i < 13; ++i) {
        // Windows' own code page 932, not the C library's, which lacks the single bytes
        // 0x80, 0xA0 and 0xFD to 0xFF.
        const std::string utf8 = Cp932ToUtf8(WithoutControlCharacters(values[i]));
        xmlNode* element = xmlNewChild(root, nullptr, X(kNames[i]), nullptr);
        if (!element) return std::nullopt;
        xmlNode* text = xmlNewDocTextLen(doc.get(), X(utf8.c_str()), static_cast<int>(utf8.size()));
        if (!text || !xmlAddChild(element, text)) {
            xmlFreeNode(text);
            return std::nullopt;
        }
    }
    if (insecureTls && !xmlNewTextChild(root, nullptr, X(kInsecureTlsName), X("1"))) {
        return std::nullopt;
    }

    xmlBuffer* buffer = xmlBufferCreate();
    if (!buffer) return std::nullopt;
    std::optional<std::string> result;
    if (xmlSaveCtxt* save = xmlSaveToBuffer(buffer, "UTF-8", XML_SAVE_NO_DECL)) {
        const long written = xmlSaveTree(save, root);
        if (xmlSaveClose(save) >= 0 && written >= 0) {
            const std::string utf8(reinterpret_cast<const char*>(xmlBufferContent(buffer)),
                                   static_cast<size_t>(xmlBufferLength(buffer)));
            // Every character came from Shift_JIS text, so it maps back exactly.
            result = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n" + Utf8ToCp932(utf8, '?') +
                     "\r\n";
        }
    }
    xmlBufferFree(buffer);
    return result;
}

// The encoding named by the XML declaration at the very start of the file, if any.
std::string DeclaredEncoding(const std::string& bytes) {
    if (bytes.compare(0, 5, "<?xml") != 0) return {};
    const size_t end = bytes.find("?>");
    const std::string decl = bytes.substr(0, end);
    size_t pos = decl.find("encoding");
    if (pos == std::string::npos) return {};
    pos = decl.find_first_of("\"'", pos);
    if (pos == std::string::npos) return {};
    const size_t close = decl.find(decl[pos], pos + 1);
    if (close == std::string::npos) return {};
    return decl.substr(pos + 1, close - pos - 1);
}

bool IsShiftJisName(const std::string& name) {
    for (const char* alias : {"Shift_JIS", "Shift-JIS", "SJIS", "x-sjis", "MS_Kanji", "csShiftJIS",
                              "Windows-31J", "CP932", "MS932"}) {
        if (EqualsNoCaseAscii(name, alias)) return true;
    }
    return false;
}

// Parses the file's bytes. Shift_JIS files go through the program's own code page 932
// conversion (the XML library's converter lacks the Windows extension characters); files in
// other encodings are left to the XML library. No DTD is loaded, no entity is substituted,
// nothing is fetched over the network.
XmlDocPtr ParseProjectXml(const std::string& bytes) {
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    const std::string encoding = DeclaredEncoding(bytes);
    if (!encoding.empty() && IsShiftJisName(encoding)) {
        std::optional<std::string> utf8 = Cp932ToUtf8Strict(bytes);
        if (!utf8) return nullptr;
        return XmlDocPtr(
            xmlReadMemory(utf8->data(), static_cast<int>(utf8->size()), nullptr, "UTF-8", options));
    }
    return XmlDocPtr(
        xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, options));
}

bool IsWhitespaceText(const xmlNode* node) {
    if (node->type != XML_TEXT_NODE) return false;
    for (const xmlChar* p = node->content; p && *p; ++p) {
        if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n') return false;
    }
    return true;
}

// The next node that counts, skipping white space between elements.
const xmlNode* NextCounted(const xmlNode* node) {
    while (node && IsWhitespaceText(node)) node = node->next;
    return node;
}

// The node's name as written in the file (with its prefix); text and other nodes get names
// no element can have.
std::string QualifiedName(const xmlNode* node) {
    if (node->type != XML_ELEMENT_NODE) return "#node";
    std::string name = reinterpret_cast<const char*>(node->name);
    if (node->ns && node->ns->prefix)
        name = reinterpret_cast<const char*>(node->ns->prefix) + (":" + name);
    return name;
}

// The value of the element's first child, in Shift_JIS.
std::string FirstChildValue(const xmlNode* element) {
    const xmlNode* child = element->children;
    if (!child) return {};
    switch (child->type) {
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
        case XML_COMMENT_NODE:
        case XML_PI_NODE:
            return child->content ? Utf8ToCp932(reinterpret_cast<const char*>(child->content), '?')
                                  : std::string();
        default:
            return {};
    }
}

std::string FileNameOf(const std::string& path) {
    return FromNativePath(ToNativePath(path).filename());
}

}  // namespace

CCorvaneDoc::CCorvaneDoc() : m_bUseAuth(0), m_nLevel(99), m_bConvWikiName(0), m_bModified(false) {
    ResetToDefaults();
}

void CCorvaneDoc::AddView(CDocViewCallback* view) {
    if (view && std::find(m_views.begin(), m_views.end(), view) == m_views.end())
        m_views.push_back(view);
}

void CCorvaneDoc::RemoveView(CDocViewCallback* view) {
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

void CCorvaneDoc::ResetToDefaults() {
    m_strFolder.clear();
    m_strBaseName.clear();
    m_strURL.clear();
    m_bUseAuth = 0;
    m_strUser.clear();
    m_strPassword.clear();
    m_nLevel = 99;
    m_strTitle.clear();
    m_strTocPat.clear();
    m_strFooter.clear();
    m_bConvWikiName = 0;
    m_bInsecureTls = 0;
    m_strWikiNameSearch.clear();
    m_strWikiNameReplace.clear();
    m_strPathName.clear();
    m_bModified = false;
    m_strDocTitle = kDocName;
    NotifyTitleChanged();
}

bool CCorvaneDoc::LoadFromFile(const std::string& path) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) {
        std::string text;
        if (errno == ENOENT) {
            text = path + kFileNotFound.str();
        } else {
            text = kCannotOpen;
        }
        ShowMessageBox(text, kDocName, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }

    // A project file is a few kilobytes; anything near the XML library's size limit is not one.
    if (bytes.size() > kMaxProjectFileSize) return false;
    XmlDocPtr doc = ParseProjectXml(bytes);
    if (!doc) return false;
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    if (!root) return false;

    std::string values[13];
    const xmlNode* node = NextCounted(root->children);
    for (int i = 0; i < 13; ++i) {
        if (!node || QualifiedName(node) != kNames[i]) return false;
        values[i] = FirstChildValue(node);
        node = NextCounted(node->next);
    }
    const bool insecureTls =
        node && QualifiedName(node) == kInsecureTlsName && AtoiClamped(FirstChildValue(node)) != 0;

    m_strFolder = values[0];
    m_strBaseName = values[1];
    m_strURL = values[2];
    m_bUseAuth = AtoiClamped(values[3]);
    m_strUser = values[4];
    m_strPassword = values[5];
    m_nLevel = AtoiClamped(values[6]);
    m_strTitle = values[7];
    m_strTocPat = values[8];
    m_strFooter = values[9];
    m_bConvWikiName = AtoiClamped(values[10]);
    m_strWikiNameSearch = values[11];
    m_strWikiNameReplace = values[12];
    m_bInsecureTls = insecureTls ? 1 : 0;
    m_bModified = false;
    SetPathName(path);
    return true;
}

bool CCorvaneDoc::SaveToFile(const std::string& path) {
    if (!CommitViews()) return false;

    const std::string values[13] = {
        m_strFolder,
        m_strBaseName,
        m_strURL,
        std::to_string(m_bUseAuth),
        m_strUser,
        m_strPassword,
        std::to_string(m_nLevel),
        m_strTitle,
        m_strTocPat,
        m_strFooter,
        std::to_string(m_bConvWikiName),
        m_strWikiNameSearch,
        m_strWikiNameReplace,
    };
    const std::optional<std::string> xml = BuildProjectXml(values, m_bInsecureTls != 0);
    if (!xml || !WriteFileReplacing(path, *xml)) {
        // The path, then the reason: the XML library could not build the document (out of
        // memory), or the system's reason for the failed write.
        const std::string reason = xml ? GetLastErrorText() : GetErrorText(ENOMEM);
        ShowMessageBox(path + kSaveFailed.str() + reason, kDocName, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    SetModifiedFlag(false);
    SetPathName(path);
    return true;
}

bool CCorvaneDoc::CommitViews() {
    // A copy: a view may detach itself while committing.
    const std::vector<CDocViewCallback*> views = m_views;
    for (CDocViewCallback* view : views) {
        if (view->IsViewVisible() && !view->CommitViews()) return false;
    }
    return true;
}

void CCorvaneDoc::SetModifiedFlag(bool modified) {
    if (!m_bModified && modified) {
        m_strDocTitle += " *";
    } else if (m_bModified && !modified) {
        m_strDocTitle.erase(m_strDocTitle.size() >= 2 ? m_strDocTitle.size() - 2 : 0);
    }
    m_bModified = modified;
    NotifyTitleChanged();
}

void CCorvaneDoc::SetDocTitle(const std::string& title) {
    // The marker stays while the document is modified, so that clearing the flag later
    // removes the marker and not the end of the new title.
    m_strDocTitle = m_bModified ? title + " *" : title;
    NotifyTitleChanged();
}

void CCorvaneDoc::SetPathName(const std::string& path) {
    m_strPathName = path;
    m_strDocTitle = FileNameOf(path);
    if (m_bModified) m_strDocTitle += " *";
    NotifyTitleChanged();
}

void CCorvaneDoc::NotifyTitleChanged() {
    const std::vector<CDocViewCallback*> views = m_views;
    for (CDocViewCallback* view : views) view->OnDocTitleChanged();
}

std::string CCorvaneDoc::GetDefaultSaveAsName() const {
    // Double-byte characters are stepped over whole: their second byte may be a backslash.
    size_t end = 0;
    while (end < m_strDocTitle.size()) {
        const unsigned char c = static_cast<unsigned char>(m_strDocTitle[end]);
        if (IsSjisLeadByte(c) && end + 1 < m_strDocTitle.size()) {
            end += 2;
            continue;
        }
        if (c == ' ' || c == ':' || c == '/' || c == '\\') break;
        ++end;
    }
    return m_strDocTitle.substr(0, end) + kFilterExt;
}

std::string CCorvaneDoc::ScramblePassword(const std::string& plain) {
    CBlowfish cipher;
    cipher.SetKey(PasswordKey);
    if (plain.empty()) return {};
    const size_t n = CBlowfish::PaddedLength(plain.size());
    std::vector<unsigned char> block(n, 0);
    std::copy(plain.begin(), plain.end(), block.begin());
    cipher.EncipherBuffer(block.data(), block.data(), n);

    std::string stored;
    for (unsigned char c : block) {
        if (IsAsciiAlnum(static_cast<char>(c))) {
            stored += static_cast<char>(c);
        } else if (c == 0x20) {
            stored += '+';
        } else {
            AppendPercentEscape(stored, c);
        }
    }
    return stored;
}

std::string CCorvaneDoc::UnscramblePassword(const std::string& stored) {
    auto hexValue = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::vector<unsigned char> bytes;
    for (size_t i = 0; i < stored.size(); ++i) {
        const char c = stored[i];
        if (c == '%' && i + 2 < stored.size() && hexValue(stored[i + 1]) >= 0 &&
            hexValue(stored[i + 2]) >= 0) {
            bytes.push_back(
                static_cast<unsigned char>(hexValue(stored[i + 1]) * 16 + hexValue(stored[i + 2])));
            i += 2;
        } else if (c == '+') {
            bytes.push_back(0x20);
        } else {
            // Includes a "%" without two hexadecimal digits, which stands for itself.
            bytes.push_back(static_cast<unsigned char>(c));
        }
    }
    if (bytes.empty()) return {};
    CBlowfish cipher;
    cipher.SetKey(PasswordKey);
    // A text the program never writes may decode to a partial block: it is completed with
    // zero bytes like a plain password, so that the deciphering stays inside the buffer.
    const size_t n = CBlowfish::PaddedLength(bytes.size());
    bytes.resize(n, 0);
    cipher.DecipherBuffer(bytes.data(), bytes.data(), n);
    const auto end = std::find(bytes.begin(), bytes.end(), static_cast<unsigned char>(0));
    return std::string(bytes.begin(), end);
}

}  // namespace corvane
