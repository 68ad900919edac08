// CIniFile: typed reads and writes of one section of a profile (INI) file. Texts are written
// quoted, numbers in decimal; lists are one comma-joined text; rectangles are four keys.
#pragma once

#include <string>
#include <vector>

namespace corvane {

// A rectangle as stored by GetRect/WriteRect.
struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const CRect&) const = default;
};

class CIniFile {
public:
    // `file` is the INI path; an empty path means the application's own profile, the
    // options file (whose texts are then written without quotes).
    explicit CIniFile(std::string file);
    virtual ~CIniFile() = default;

    // With m_bThrowOnWriteError set, a failed write (ok == 0) throws CSystemError with
    // "<file>のセクション[<section>]、キー[<key>]の保存に失敗" and the system's text.
    virtual int CheckWrite(int ok, const std::string& key);

    virtual std::string GetString(const std::string& key, const std::string& def);
    virtual int WriteString(const std::string& key, const std::string& value);
    virtual int GetInt(const std::string& key, int def);
    virtual int WriteInt(const std::string& key, int value);
    virtual std::string GetString(const char* key, const char* def);
    virtual int WriteString(const char* key, const char* value);
    virtual long GetInt(const std::string& key, long def);
    virtual int WriteInt(const std::string& key, long value);
    virtual unsigned GetInt(const std::string& key, unsigned def);
    virtual int WriteInt(const std::string& key, unsigned value);
    virtual double GetDouble(const std::string& key, double def);
    virtual int WriteDouble(const std::string& key, double value);
    virtual short GetInt(const std::string& key, short def);
    virtual int WriteInt(const std::string& key, short value);
    virtual CRect GetRect(const std::string& key, const CRect& def);
    virtual int WriteRect(const std::string& key, const CRect& rect);
    virtual std::vector<std::string> GetStringList(const std::string& key,
                                                   const std::vector<std::string>& def);
    virtual int WriteStringList(const std::string& key, const std::vector<std::string>& list);
    virtual std::vector<int> GetIntList(const std::string& key, const std::vector<int>& def);
    virtual int WriteIntList(const std::string& key, const std::vector<int>& list);

    std::string m_strFile;
    std::string m_strSection;
    int m_bThrowOnWriteError;

private:
    // The file actually read and written.
    std::string ProfilePath() const;
    std::vector<std::string> SplitList(const std::string& key, const std::string& def);
};

}  // namespace corvane
