#include "schema/WorkingCopy.h"

#include "schema/FileDescriptor.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace ketterly {

namespace fs = std::filesystem;

std::string FileError::description() const {
    return "Cannot copy '" + path + "': " + reason + ".";
}

namespace {

Unexpected<FileError> failure(const std::string& path, int error) {
    return Unexpected{FileError{path, std::strerror(error)}};
}

// Plain read and write, for filesystems where the kernel's copy is not offered.
bool copyByReading(int in, int out) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        for (ssize_t written = 0; written < got;) {
            const ssize_t put = ::write(out, buffer + written, static_cast<size_t>(got - written));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            written += put;
        }
    }
}

} // namespace

Expected<bool, FileError> copyFile(const std::string& from, const std::string& to) {
    FileDescriptor in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        return failure(from, errno);
    struct stat info {};
    if (::fstat(in.get(), &info) != 0)
        return failure(from, errno);
    if (S_ISDIR(info.st_mode))
        return failure(from, EISDIR);
    if (!S_ISREG(info.st_mode))
        return Unexpected{FileError{from, "Not a regular file"}};

    std::error_code removeError;
    fs::remove(to, removeError);
    if (removeError)
        return Unexpected{FileError{to, removeError.message()}};
    FileDescriptor out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (out.get() < 0)
        return failure(to, errno);

    off_t remaining = info.st_size;
    bool kernelCopy = true;
    while (remaining > 0) {
        const ssize_t copied =
            ::copy_file_range(in.get(), nullptr, out.get(), nullptr, static_cast<size_t>(remaining), 0);
        if (copied < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) {
                kernelCopy = false;
                break;
            }
            return failure(from, errno);
        }
        if (copied == 0)
            break; // the file shrank while we copied; anything left is read below
        remaining -= copied;
    }
    // Whatever the kernel's copy did not take (also a file that grew meanwhile) is read plainly.
    if (!kernelCopy) {
        if (::ftruncate(out.get(), 0) != 0 || ::lseek(in.get(), 0, SEEK_SET) < 0 ||
            ::lseek(out.get(), 0, SEEK_SET) < 0)
            return failure(to, errno);
    }
    if (!copyByReading(in.get(), out.get()))
        return failure(to, errno);
    return true;
}

Expected<std::string, FileError> copyDatabaseToDirectory(const std::string& source,
                                                         const std::string& directory) {
    const std::string copy = (fs::path(directory) / fs::path(source).filename()).string();
    if (auto copied = copyFile(source, copy); !copied)
        return Unexpected{copied.error()};
    for (const char* suffix : {"-shm", "-wal", "-journal"}) {
        const std::string companion = source + suffix;
        std::error_code error;
        if (fs::exists(companion, error))
            (void)copyFile(companion, copy + suffix);
    }
    return copy;
}

} // namespace ketterly
