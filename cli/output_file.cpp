#include "output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace specest::cli {
namespace {

std::string reason(const std::string& path, const std::string& what, int err) {
    return "cannot write " + path + ": " + what + std::strerror(err);
}

bool write_all(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t n = ::write(fd, content.data(), content.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        content.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

mode_t new_file_mode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

std::string write_file_atomically(const std::string& path, std::string_view content) {
    const auto slash = path.rfind('/');
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    if (base.empty() || base == "." || base == "..")
        return "cannot write " + path + ": not a file name";

    mode_t mode = new_file_mode();
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        // Renaming over a device or FIFO would replace it, and a directory cannot be replaced.
        if (S_ISDIR(st.st_mode)) return reason(path, "", EISDIR);
        if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
            return "cannot write " + path + ": not a regular file";
        if (S_ISREG(st.st_mode)) mode = st.st_mode & 07777;
    }

    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string pattern = folder + "." + base + ".XXXXXX";
    std::vector<char> tmp(pattern.begin(), pattern.end());
    tmp.push_back('\0');
    const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) return reason(path, "cannot create a temporary file beside it: ", errno);

    auto give_up = [&](const std::string& what, int err) {
        ::close(fd);
        ::unlink(tmp.data());
        return reason(path, what, err);
    };
    if (!write_all(fd, content)) return give_up("", errno);
    if (::fchmod(fd, mode) != 0) return give_up("", errno);
    if (::fsync(fd) != 0) return give_up("", errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmp.data());
        return reason(path, "", err);
    }
    if (std::rename(tmp.data(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmp.data());
        return reason(path, "", err);
    }
    return {};
}

} // namespace specest::cli
