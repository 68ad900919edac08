#include "platform/file_io.h"

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>

#include "platform/text_codec.h"

namespace corvane {
namespace fs = std::filesystem;

namespace {

// Closes a descriptor on scope exit unless released.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) {
            int saved = errno;
            ::close(m_fd);
            errno = saved;
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now and reports the result: a deferred write error may surface here.
    bool Close() {
        int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, const std::string& bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

// Where a write to `path` must land: the final target of a chain of symbolic links.
fs::path ResolveTarget(const fs::path& path) {
    fs::path target = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(target, ec)) break;
        fs::path link = fs::read_symlink(target, ec);
        if (ec) break;
        target = link.is_absolute() ? link : target.parent_path() / link;
    }
    return target;
}

}  // namespace

bool ReadWholeFile(const std::string& sjisPath, std::string& bytes) {
    bytes.clear();
    const fs::path path = ToNativePath(sjisPath);
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return false;
    struct stat st {};
    if (::fstat(fd.get(), &st) == 0 && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return false;
    }
    // Room for the whole file at once: a big file is not copied again at every doubling.
    if (st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            bytes.clear();
            return false;
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    return true;
}

bool ReadFileInPieces(const std::string& sjisPath, size_t pieceSize,
                      const std::function<bool(std::string_view piece)>& take) {
    FileDescriptor fd(::open(ToNativePath(sjisPath).c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return false;
    struct stat st {};
    if (::fstat(fd.get(), &st) == 0 && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return false;
    }
    std::string buffer(std::max<size_t>(pieceSize, 1), '\0');
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0 || !take(std::string_view(buffer.data(), static_cast<size_t>(n)))) return true;
    }
}

bool WriteFileReplacing(const std::string& sjisPath, const std::string& bytes) {
    const fs::path target = ResolveTarget(ToNativePath(sjisPath));
    if (target.filename().empty()) {
        errno = EISDIR;
        return false;
    }
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) {
        errno = EISDIR;
        return false;
    }

    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    std::random_device random;
    fs::path temp;
    int raw = -1;
    for (int attempt = 0; attempt < 100 && raw < 0; ++attempt) {
        temp = folder / ("." + target.filename().string() + "." +
                         std::to_string(random() % 1000000) + ".tmp");
        raw = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (raw < 0 && errno != EEXIST) return false;
    }
    if (raw < 0) return false;
    FileDescriptor fd(raw);

    bool ok = WriteAll(fd.get(), bytes);
    if (ok && exists) ok = ::fchmod(fd.get(), old.st_mode & 07777) == 0;
    if (ok) ok = ::fsync(fd.get()) == 0;
    if (ok) ok = fd.Close();
    if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        int saved = errno;
        ::unlink(temp.c_str());
        errno = saved;
    }
    return ok;
}

}  // namespace corvane
