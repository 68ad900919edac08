#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <random>

#include "platform/sjis_text.h"
#include "platform/system_error.h"

namespace corvane {
namespace fs = std::filesystem;

namespace {

constinit CSjisText kLinkRefused{"シンボリックリンクには書き込みません"};

constexpr std::size_t kRandomLength = 8;
// Enough of the target's name to tell whose temporary file it is, short enough that the
// temporary name fits wherever the target's own name fits.
constexpr std::size_t kKeptNameBytes = 64;

std::string RandomText() {
    static constexpr char kAlphabet[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 engine{
        std::random_device{}() ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        static_cast<std::uint64_t>(::getpid())};
    std::string text(kRandomLength, 'x');
    for (char& c : text) c = kAlphabet[engine() % (sizeof kAlphabet - 1)];
    return text;
}

bool IsAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

bool IsSymbolicLink(const fs::path& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

fs::path TemporaryPathFor(const fs::path& target, const std::string& suffix) {
    std::string name = target.filename().string();
    if (name.size() > kKeptNameBytes) name.resize(kKeptNameBytes);
    return target.parent_path() / ("." + name + "." + RandomText() + suffix);
}

bool IsTemporaryFileName(const std::string& fileName) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos) return false;
    const std::string suffix = fileName.substr(dot);
    if (suffix != ".part" && suffix != ".hhp") return false;
    if (fileName.size() < 2 + kRandomLength + suffix.size() || fileName[0] != '.') return false;
    const std::size_t random = dot - kRandomLength;
    if (fileName[random - 1] != '.') return false;
    for (std::size_t i = random; i < random + kRandomLength; ++i) {
        if (!IsAlnum(fileName[i])) return false;
    }
    return true;
}

int RemoveTemporaryFiles(const fs::path& folder) {
    int removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& path = it->path();
        if (!IsTemporaryFileName(path.filename().string())) continue;
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(path.c_str()) == 0)
            ++removed;
    }
    return removed;
}

std::string WriteErrorText(int code) {
    if (code == ELOOP) return kLinkRefused;
    std::string reason = GetErrorText(code != 0 ? code : EIO);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
    return reason;
}

CAtomicFile::CAtomicFile(fs::path target, std::string suffix)
    : m_target(std::move(target)), m_strSuffix(std::move(suffix)) {}

CAtomicFile::~CAtomicFile() {
    if (!m_bCommitted) Discard();
}

bool CAtomicFile::Fail(int code) {
    if (m_nError == 0) m_nError = code != 0 ? code : EIO;
    Discard();
    errno = m_nError;
    return false;
}

bool CAtomicFile::Open(bool makeFolders) {
    if (m_nError != 0 || m_bCommitted) return false;
    if (m_fd >= 0) return true;
    // Not worth a download: a link there would refuse the file at the end anyway.
    if (IsSymbolicLink(m_target)) return Fail(ELOOP);
    return OpenTemporary(makeFolders);
}

bool CAtomicFile::OpenTemporary(bool makeFolders) {
    if (m_nError != 0 || m_bCommitted) return false;
    if (m_fd >= 0) return true;
    bool madeFolders = !makeFolders;
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_temporary = TemporaryPathFor(m_target, m_strSuffix);
        // O_EXCL: a name that is there already, link or not, is never opened.
        m_fd =
            ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (m_fd >= 0) return true;
        const int code = errno;
        if (code == EEXIST) continue;
        if (code == ENOENT && !madeFolders && m_target.has_parent_path()) {
            // A crawl writes nearly every file into a folder that is there already: the
            // folders are looked at only when the file cannot be made without them.
            madeFolders = true;
            std::error_code made;
            fs::create_directories(m_target.parent_path(), made);
            if (!made) continue;
            m_temporary.clear();
            return Fail(made.value());
        }
        m_temporary.clear();
        return Fail(code);
    }
    m_temporary.clear();
    return Fail(EEXIST);
}

bool CAtomicFile::Write(const char* data, std::size_t size) {
    if (m_fd < 0) return m_nError == 0 ? Fail(EBADF) : false;
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Fail(errno);
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool CAtomicFile::Sync() {
    if (m_fd < 0) return m_nError == 0 ? Fail(EBADF) : false;
    return ::fsync(m_fd) == 0 || Fail(errno);
}

bool CAtomicFile::Commit() {
    if (m_bCommitted) return true;
    if (m_fd < 0) return m_nError == 0 ? Fail(EBADF) : false;
    const int fd = m_fd;
    m_fd = -1;
    // A deferred write error (a full disk on a network file system) may surface here.
    if (::close(fd) != 0) return Fail(errno);
    // rename() would replace a link itself and leave its target alone; a link there is still
    // someone's doing, so the file is refused instead of replacing it.
    if (IsSymbolicLink(m_target)) return Fail(ELOOP);
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) return Fail(errno);
    m_bCommitted = true;
    return true;
}

void CAtomicFile::Discard() {
    const int saved = errno;
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.empty() && !m_bCommitted) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
    }
    errno = saved;
}

bool WriteFileAtomically(const fs::path& target, std::string_view bytes, bool makeFolders) {
    // The bytes are all here: Commit's link check follows the open at once, so the one in
    // Open would only cost every file of a crawl a second look-up.
    CAtomicFile file(target);
    return file.OpenTemporary(makeFolders) && file.Write(bytes.data(), bytes.size()) &&
           file.Commit();
}

}  // namespace corvane
