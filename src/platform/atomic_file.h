// A file of the output folder put in place whole or not at all: its bytes go to a temporary
// file beside it, which replaces the file only when complete. A symbolic link where the file
// is to be written is never written through.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace corvane {

class CAtomicFile {
public:
    // `target` is the native path of the file to write; the temporary file's name ends with
    // `suffix` (a program that reads it may go by its extension).
    explicit CAtomicFile(std::filesystem::path target, std::string suffix = ".part");
    // Removes the temporary file unless it was committed.
    ~CAtomicFile();
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;

    // Creates the temporary file, and with `makeFolders` the missing folders of the target
    // first. Fails (ELOOP) at once when the target is a symbolic link.
    bool Open(bool makeFolders = false);
    bool Write(const char* data, std::size_t size);
    // Waits until the bytes written are on the disk, so that the file put in place survives a
    // power cut whole.
    bool Sync();
    // Puts the file in place. Fails, leaving the old file as it was, when a write failed,
    // the bytes could not be closed into the file, or the target is a symbolic link (ELOOP:
    // the link and whatever it points to stay untouched).
    bool Commit();
    // Throws the temporary file away; the target stays as it was.
    void Discard();

    // errno of the first failure; 0 while all went well.
    int ErrorCode() const { return m_nError; }
    const std::filesystem::path& TemporaryPath() const { return m_temporary; }

private:
    friend bool WriteFileAtomically(const std::filesystem::path&, std::string_view, bool);
    // Open without the early link check, for a caller whose Commit follows at once (its
    // check there is the one that counts).
    bool OpenTemporary(bool makeFolders);
    bool Fail(int code);

    std::filesystem::path m_target;
    std::string m_strSuffix;
    std::filesystem::path m_temporary;
    int m_fd = -1;
    int m_nError = 0;
    bool m_bCommitted = false;
};

// Writes `bytes` to `target` through a CAtomicFile. False with errno set on failure; the
// old file is then unchanged and no temporary file is left.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         bool makeFolders = false);

// Whether `path` is a symbolic link (not followed).
bool IsSymbolicLink(const std::filesystem::path& path);

// A temporary name beside `target` for a file that replaces it: hidden, unique to this
// call, short enough for any file name the target may have, ending with `suffix`
// (".Page.html.Xr4tQ0aZ.part").
std::filesystem::path TemporaryPathFor(const std::filesystem::path& target,
                                       const std::string& suffix = ".part");

// True when `fileName` (no folder) has the shape of TemporaryPathFor's names with the suffix
// ".part" or ".hhp".
bool IsTemporaryFileName(const std::string& fileName);

// Removes the files of `folder` (not its subfolders) that TemporaryPathFor named: what a
// program killed outright (SIGKILL, a second Ctrl-C, a power cut) left behind. Links and
// folders of such names are left alone. Returns how many were removed.
int RemoveTemporaryFiles(const std::filesystem::path& folder);

// Why a write failed, in Shift_JIS and without a line end: for ELOOP, that a symbolic link
// lies where the file goes; otherwise the system's text for `code`.
std::string WriteErrorText(int code);

}  // namespace corvane
