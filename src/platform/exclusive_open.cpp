#include "platform/exclusive_open.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/text_codec.h"

namespace corvane {

bool CanOpenExclusively(const std::string& path) {
    int fd = open(ToNativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool free = flock(fd, LOCK_EX | LOCK_NB) == 0;
    close(fd);  // also releases our lock
    return free;
}

}  // namespace corvane
