// The system files a help viewer reads from a compiled help file: #SYSTEM (what the project
// file's options say), #WINDOWS (its window definitions), the topic tables #TOPICS, #URLTBL
// and #URLSTR, the string table #STRINGS they point into, and #IDXHDR. Texts are bytes in the
// help file's code page.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace corvane {

// NUL-terminated strings addressed by their offset; offset 0 is the empty string. No string
// crosses a 4096-byte block, the unit viewers read the table in.
class CChmStringTable {
public:
    CChmStringTable() : m_bytes(1, '\0') {}
    // The offset of `text`, added when new.
    uint32_t Add(const std::string& text);
    const std::string& GetBytes() const { return m_bytes; }

private:
    std::string m_bytes;
    std::map<std::string, uint32_t> m_offsets;
};

// One window definition of the project file's [WINDOWS] section:
//   name="caption","contents","index","default page","home page","jump 1 page",
//   "jump 1 text","jump 2 page","jump 2 text",properties,pane width,buttons,
//   [left,top,right,bottom],styles,extended styles,show state,pane closed,first tab,
//   tab position,notify id
// Values left empty keep the viewer's defaults.
struct CChmWindow {
    std::string strName;
    std::string strCaption, strContents, strIndex, strDefault, strHome;
    std::string strJump1, strJump1Text, strJump2, strJump2Text;
    uint32_t nProperties = 0, nNavWidth = 0, nButtons = 0;
    int32_t rect[4] = {0, 0, 0, 0};
    uint32_t nStyles = 0, nExStyles = 0, nShowState = 0, nNavClosed = 0, nFirstTab = 0,
             nTabPosition = 0, nNotifyId = 0;
    uint32_t nValid = 0;  // which of the numbers were given (the viewer's "valid" bits)
};

// Parses one line "name=..." of [WINDOWS]; false with a reason for a line that does not
// hold together (no name, an unclosed quote or bracket, a number that is not one).
bool ParseWindowDefinition(const std::string& line, CChmWindow& window, std::string& error);

// #WINDOWS: the count, the size of one entry and the entries, texts as #STRINGS offsets.
std::string BuildWindowsFile(const std::vector<CChmWindow>& windows, CChmStringTable& strings);

struct CChmSystemInfo {
    uint32_t nLcid = 0x411;
    uint32_t nTimestamp = 0;  // seconds since 1970
    std::string strContentsFile, strIndexFile, strDefaultTopic, strTitle, strDefaultWindow,
        strDefaultFont;
    std::string strCompiledName;  // the help file's name without its extension
    bool bFullTextSearch = false;
    std::string strIdxHdr;  // a copy of #IDXHDR
};

// #SYSTEM: version 3, then one record (code, length, data) per entry. The DBCS flag is set
// for the double-byte locales (Japanese, Korean, Chinese).
std::string BuildSystemFile(const CChmSystemInfo& info);

// One page of the topic table: its name in the help file (no leading "/") and its title
// (empty: none).
struct CChmTopicEntry {
    std::string strLocal;
    std::string strTitle;
};

struct CChmTopicFiles {
    std::string strTopics, strUrlTbl, strUrlStr;
};

// #TOPICS (16 bytes a topic: title in #STRINGS, entry in #URLTBL), #URLTBL (12 bytes an
// entry, 341 to a 4096-byte block) and #URLSTR (the names, none crossing a block).
CChmTopicFiles BuildTopicFiles(const std::vector<CChmTopicEntry>& topics, CChmStringTable& strings);

// #IDXHDR: a 4096-byte block with the topic count and the contents file's image type.
std::string BuildIdxHdr(uint32_t topicCount, bool folderImages);

}  // namespace corvane
