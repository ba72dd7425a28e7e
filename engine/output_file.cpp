#include "output_file.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <pthread.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace specest::output {
namespace {

std::atomic<unsigned> temp_counter{0};

std::string folder_of(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string base_of(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string kind_of(mode_t m) {
    if (S_ISDIR(m)) return "a directory";
    if (S_ISFIFO(m)) return "a FIFO";
    if (S_ISCHR(m)) return "a character device";
    if (S_ISBLK(m)) return "a block device";
    if (S_ISSOCK(m)) return "a socket";
    return "not a regular file";
}

mode_t new_file_mode() {
    static const mode_t mode = [] {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return 0666 & ~mask;
    }();
    return mode;
}

// SIGXFSZ held back in this thread while it writes, so a write over the file-size limit
// returns EFBIG; a signal raised meanwhile is taken off before the mask is restored.
class NoFileSizeSignal {
  public:
    NoFileSizeSignal() {
        sigemptyset(&set_);
        sigaddset(&set_, SIGXFSZ);
        pthread_sigmask(SIG_BLOCK, &set_, &old_);
    }
    ~NoFileSizeSignal() {
        sigset_t pending;
        sigemptyset(&pending);
        if (sigpending(&pending) == 0 && sigismember(&pending, SIGXFSZ) &&
            !sigismember(&old_, SIGXFSZ)) {
            const timespec none{0, 0};
            while (sigtimedwait(&set_, nullptr, &none) < 0 && errno == EINTR) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    NoFileSizeSignal(const NoFileSizeSignal&) = delete;
    NoFileSizeSignal& operator=(const NoFileSizeSignal&) = delete;

  private:
    sigset_t set_, old_;
};

bool process_gone(long pid) {
    if (pid <= 0) return false;
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

} // namespace

bool is_temporary_name(std::string_view name, long* pid) {
    // ".NAME.tmpPID-N", and "NAME.tmpPID-N" as earlier reports were named.
    const auto at = name.rfind(".tmp");
    if (at == std::string_view::npos || at == 0) return false;
    std::string_view rest = name.substr(at + 4);
    const auto dash = rest.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash + 1 == rest.size()) return false;
    long p = 0;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (i == dash) continue;
        if (rest[i] < '0' || rest[i] > '9') return false;
        if (i < dash) {
            if (p > 100000000) return false;
            p = p * 10 + (rest[i] - '0');
        }
    }
    if (pid) *pid = p;
    return true;
}

void remove_stale_temporaries(const std::string& folder) {
    static std::mutex m;
    static std::set<std::string> done;
    const std::string dir = folder.empty() ? std::string(".") : folder;
    {
        std::lock_guard<std::mutex> lock(m);
        if (!done.insert(dir).second) return;
    }
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    const long self = static_cast<long>(::getpid());
    while (const dirent* e = ::readdir(d)) {
        long pid = 0;
        if (!is_temporary_name(e->d_name, &pid) || pid == self || !process_gone(pid)) continue;
        const std::string p = dir + "/" + e->d_name;
        struct stat st {};
        if (::lstat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(p.c_str());
    }
    ::closedir(d);
}

std::string refusal(const std::string& path) {
    const std::string base = base_of(path);
    if (base.empty() || base == "." || base == "..")
        return "cannot write " + path + ": not a file name";
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) return {};
    // Renaming over a device or FIFO would replace it; a directory cannot be replaced.
    if (S_ISDIR(st.st_mode)) return "cannot write " + path + ": " + std::strerror(EISDIR);
    return "cannot write " + path + ": not a regular file (" + kind_of(st.st_mode) + ")";
}

AtomicFile::~AtomicFile() {
    discard();
}

std::string AtomicFile::reason() const {
    const std::string prefix = "cannot write " + path_ + ": ";
    return error_.rfind(prefix, 0) == 0 ? error_.substr(prefix.size()) : error_;
}

void AtomicFile::fail(const std::string& what, int err) {
    if (error_.empty())
        error_ = "cannot write " + path_ + ": " + what + std::strerror(err ? err : EIO);
}

bool AtomicFile::open(const std::string& path) {
    discard();
    path_ = path;
    error_ = refusal(path);
    if (!error_.empty()) return false;
    const std::string folder = folder_of(path);
    remove_stale_temporaries(folder);
    mode_t mode = new_file_mode();
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) mode = st.st_mode & 07777;
    // A name of its own per writer, so threads and processes never meet in one temporary.
    temp_ = folder + "." + base_of(path) + ".tmp" + std::to_string(::getpid()) + "-" +
            std::to_string(temp_counter.fetch_add(1));
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd_ < 0) {
        fail("cannot create a temporary file beside it: ", errno);
        return false;
    }
    if (S_ISREG(st.st_mode) && ::fchmod(fd_, mode) != 0) {
        fail("", errno);
        discard();
        return false;
    }
    return true;
}

bool AtomicFile::write(std::string_view bytes) {
    if (fd_ < 0 || !error_.empty()) return false;
    NoFileSizeSignal guard;
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            fail("", n == 0 ? EIO : errno);
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool AtomicFile::commit(bool sync) {
    if (fd_ < 0) {
        if (error_.empty()) error_ = "cannot write " + path_ + ": not open";
        return false;
    }
    if (error_.empty() && sync && ::fsync(fd_) != 0) fail("", errno);
    if (::close(fd_) != 0) fail("", errno);
    fd_ = -1;
    if (error_.empty() && std::rename(temp_.c_str(), path_.c_str()) != 0) fail("", errno);
    if (!error_.empty()) {
        ::unlink(temp_.c_str()); // the earlier file stays as it was
        return false;
    }
    temp_.clear();
    return true;
}

void AtomicFile::discard() {
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
    ::unlink(temp_.c_str());
}

std::string write_file_atomically(const std::string& path, std::string_view content) {
    AtomicFile f;
    if (!f.open(path) || !f.write(content) || !f.commit()) return f.error();
    return {};
}

std::string check_outputs(const std::vector<std::pair<std::string, std::string>>& outputs,
                          const std::vector<std::string>& inputs) {
    namespace fs = std::filesystem;
    struct Named {
        std::string option, path, canonical;
        bool exists = false;
        dev_t dev = 0;
        ino_t ino = 0;
    };
    auto identify = [](const std::string& option, const std::string& path) {
        Named n{option, path, {}, false, 0, 0};
        std::error_code ec;
        const fs::path c = fs::weakly_canonical(fs::absolute(path, ec), ec);
        n.canonical = ec ? path : c.string();
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) {
            n.exists = true;
            n.dev = st.st_dev;
            n.ino = st.st_ino;
        }
        return n;
    };
    auto same = [](const Named& a, const Named& b) {
        return a.canonical == b.canonical ||
               (a.exists && b.exists && a.dev == b.dev && a.ino == b.ino);
    };
    std::vector<Named> outs, ins;
    for (const auto& [option, path] : outputs)
        if (!path.empty()) outs.push_back(identify(option, path));
    for (const auto& path : inputs)
        if (!path.empty()) ins.push_back(identify("", path));
    for (std::size_t i = 0; i < outs.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j)
            if (same(outs[i], outs[j]))
                return outs[j].option + " and " + outs[i].option + " name the same file " +
                       outs[i].path + "; each output needs a file of its own";
        for (const Named& in : ins)
            if (same(outs[i], in))
                return outs[i].option + " " + outs[i].path + " is an input of the run (" + in.path +
                       "); writing it would destroy it";
    }
    return {};
}

} // namespace specest::output
