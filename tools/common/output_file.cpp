#include "output_file.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace lumbrook {

namespace {

// The temporary files a signal handler removes: fixed storage, read by the
// handler only where `used` says a slot is complete.
constexpr int kTempSlots = 4;
struct TempSlot {
    char path[PATH_MAX];
    volatile sig_atomic_t used;
};
TempSlot g_temps[kTempSlots];

void RemoveTempsAndExit(int signal) {
    for (TempSlot& slot : g_temps)
        if (slot.used) unlink(slot.path);
    _exit(128 + signal);
}

void InstallHandlers() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    struct sigaction action = {};
    action.sa_handler = RemoveTempsAndExit;
    sigfillset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

// Blocks the handled signals for the life of the guard, so that a temporary
// file never exists unknown to the handler.
class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t set;
        sigemptyset(&set);
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, signal);
        sigprocmask(SIG_BLOCK, &set, &old_);
    }
    ~SignalsHeld() { sigprocmask(SIG_SETMASK, &old_, nullptr); }

private:
    sigset_t old_;
};

void Remember(const std::string& path) {
    for (TempSlot& slot : g_temps)
        if (!slot.used && path.size() < sizeof slot.path) {
            std::memcpy(slot.path, path.c_str(), path.size() + 1);
            slot.used = 1;
            return;
        }
}

void Forget(const std::string& path) {
    for (TempSlot& slot : g_temps)
        if (slot.used && path == slot.path) slot.used = 0;
}

std::string Folder(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Reason() {
    return std::strerror(errno);
}

// Names of descriptors the process already holds (/dev/stdout and the like),
// a symlink's own target included: written straight, whatever they lead to,
// since replacing what they lead to would leave the holder writing into a
// removed file.
bool NamesADescriptor(const std::string& path) {
    char to[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), to, sizeof to - 1);
    const std::string linked = length > 0 ? std::string(to, size_t(length)) : "";
    for (const char* prefix : {"/dev/stdout", "/dev/stderr", "/dev/fd/", "/proc/self/fd/"})
        for (const std::string& name : {path, linked})
            if (name.compare(0, std::strlen(prefix), prefix) == 0) return true;
    return false;
}

// Where the bytes go: an existing file's real path, or a dangling symlink's
// final target, which is created.
std::string Target(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0) {
        char real[PATH_MAX];
        return S_ISREG(st.st_mode) && realpath(path.c_str(), real) ? std::string(real) : path;
    }
    std::string target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat link;
        if (lstat(target.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return target;
        char to[PATH_MAX];
        const ssize_t length = readlink(target.c_str(), to, sizeof to - 1);
        if (length < 0) return target;
        to[length] = '\0';
        target = to[0] == '/' ? std::string(to) : Folder(target) + "/" + to;
    }
    return target;
}

}  // namespace

OutputFile::~OutputFile() {
    Abandon();
}

std::string OutputFile::Problem(const std::string& path) {
    if (path.empty()) return "an empty output name";
    if (path == "-") return "";
    const std::string target = Target(path);
    struct stat st;
    if (stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return "'" + path + "' is a directory";
        return "";
    }
    struct stat folder;
    if (stat(Folder(target).c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode))
        return "the folder of '" + path + "' does not exist";
    return "";
}

bool OutputFile::SameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

bool OutputFile::Open(const std::string& path, std::string* error) {
    Abandon();
    path_ = path;
    const std::string problem = Problem(path);
    if (!problem.empty()) {
        *error = problem;
        return false;
    }
    if (path == "-") {
        fd_ = STDOUT_FILENO;
        stream_ = true;
        return true;
    }
    target_ = Target(path);
    struct stat st;
    const bool exists = stat(target_.c_str(), &st) == 0;
    if (exists && (!S_ISREG(st.st_mode) || NamesADescriptor(path))) {
        fd_ = open(target_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) {
            *error = "cannot write '" + path + "': " + Reason();
            return false;
        }
        stream_ = ownsFd_ = true;
        return true;
    }
    mode_t mode;
    if (exists) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    const size_t slash = target_.rfind('/');
    const std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    std::string pattern = Folder(target_) + "/." + name + ".XXXXXX";
    InstallHandlers();
    {
        SignalsHeld held;
        fd_ = mkostemp(&pattern[0], O_CLOEXEC);
        if (fd_ >= 0) {
            temp_ = pattern;
            Remember(temp_);
        }
    }
    if (fd_ < 0) {
        *error = "cannot write beside '" + path + "': " + Reason();
        return false;
    }
    ownsFd_ = true;
    if (fchmod(fd_, mode) != 0) {
        *error = "cannot set the permissions of '" + path + "': " + Reason();
        Abandon();
        return false;
    }
    return true;
}

bool OutputFile::Write(const void* bytes, size_t size) {
    const char* at = static_cast<const char*>(bytes);
    while (size > 0) {
        const ssize_t done = write(fd_, at, size);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) {
            // Callers may read errno as well: naming the failure keeps it.
            const int code = errno;
            writeFailure_ = Reason();
            errno = code;
            return false;
        }
        at += done;
        size -= size_t(done);
    }
    return true;
}

bool OutputFile::Commit(std::string* error) {
    std::string failure;
    if (fd_ < 0) failure = "it was not open";
    if (failure.empty() && !stream_ && fsync(fd_) != 0) failure = Reason();
    if (ownsFd_ && fd_ >= 0) {
        if (close(fd_) != 0 && failure.empty()) failure = Reason();
        fd_ = -1;
        ownsFd_ = false;
    }
    if (failure.empty() && !temp_.empty()) {
        SignalsHeld held;
        if (rename(temp_.c_str(), target_.c_str()) == 0) {
            Forget(temp_);
            temp_.clear();
        } else {
            failure = Reason();
        }
    }
    if (!failure.empty()) {
        Abandon();
        *error = "cannot write '" + path_ + "': " + failure;
        return false;
    }
    fd_ = -1;
    return true;
}

void OutputFile::Abandon() {
    if (ownsFd_ && fd_ >= 0) close(fd_);
    fd_ = -1;
    ownsFd_ = false;
    if (!temp_.empty()) {
        SignalsHeld held;
        unlink(temp_.c_str());
        Forget(temp_);
        temp_.clear();
    }
}

}  // namespace lumbrook
