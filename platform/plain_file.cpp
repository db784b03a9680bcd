// Plain-file reading and whole-file replacing over POSIX descriptor calls, with the kernel's rule
// for following symbolic links in shared folders.
#include "platform/plain_file.h"

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace verrano {

namespace {

// The kernel gives up on a path after this many links.
constexpr int kMaxLinks = 40;

// A folder is only looked into, named in calls and renamed in; it need not be readable.
#ifdef O_PATH
constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif

// A descriptor closed when it goes out of scope; close() reports what the system said.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            close();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { close(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    bool close() {
        const int fd = std::exchange(fd_, -1);
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

// Keeps errno across the cleanup after a failure, so the caller learns the failure's cause.
class KeepErrno {
public:
    KeepErrno() : saved_(errno) {}
    ~KeepErrno() { errno = saved_; }

private:
    int saved_;
};

enum class Kind {
    Regular,    // a regular file
    Absent,     // nothing (a link may point there): a new file may be created
    Other,      // a FIFO, device, socket or directory, or no folder to hold it
    RefusedLink // a link the system would not follow (another user's, in a shared sticky folder)
};

// Where a path ends once its links are followed: a name in a folder held open, and what stood
// there when it was looked at.
struct Checked {
    Kind kind = Kind::Other;
    Fd folder;
    QByteArray name;
    struct stat st {};
};

std::function<void()>& CheckedHook() {
    static std::function<void()> hook;
    return hook;
}

// Opens the folder part of path, relative to base when the path is relative; name gets the rest.
bool OpenFolderOf(int base, const QByteArray& path, Fd* folder, QByteArray* name) {
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray part = slash < 0    ? QByteArrayLiteral(".")
                            : slash == 0 ? QByteArrayLiteral("/")
                                         : path.left(slash);
    *name = path.mid(slash + 1);
    *folder = Fd(::openat(base, part.constData(), kFolderFlags));
    return folder->valid();
}

bool MayFollow(const struct stat& link, const struct stat& folder) {
    if (link.st_uid == ::geteuid()) return true;
    const mode_t shared = S_ISVTX | S_IWOTH;
    if ((folder.st_mode & shared) != shared) return true;
    return folder.st_uid == link.st_uid;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The link's target as the system gives it, from the very link that was looked at: a link
// swapped in since then is another inode.
bool ReadLinkAt(int folder, const QByteArray& name, const struct stat& seen, QByteArray* target) {
    const qsizetype room = (seen.st_size > 0 ? static_cast<qsizetype>(seen.st_size) : PATH_MAX) + 1;
    QByteArray out(room, '\0');
    const ssize_t n = ::readlinkat(folder, name.constData(), out.data(), out.size());
    if (n < 0) return false;
    if (n == 0 || n >= out.size()) {
        errno = ENAMETOOLONG;
        return false;
    }
    out.truncate(n);
    struct stat again {};
    if (::fstatat(folder, name.constData(), &again, AT_SYMLINK_NOFOLLOW) != 0) return false;
    if (!SameFile(again, seen) || !S_ISLNK(again.st_mode)) {
        errno = EAGAIN;
        return false;
    }
    *target = out;
    return true;
}

Checked Check(const QByteArray& path) {
    Checked at;
    if (!OpenFolderOf(AT_FDCWD, path, &at.folder, &at.name)) return at;
    for (int hop = 0; hop <= kMaxLinks; ++hop) {
        if (at.name.isEmpty()) { // "folder/": a directory at best
            errno = EISDIR;
            return at;
        }
        if (::fstatat(at.folder.get(), at.name.constData(), &at.st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT) at.kind = Kind::Absent;
            return at;
        }
        if (S_ISREG(at.st.st_mode)) {
            at.kind = Kind::Regular;
            return at;
        }
        if (!S_ISLNK(at.st.st_mode)) {
            errno = S_ISDIR(at.st.st_mode) ? EISDIR : EINVAL;
            return at;
        }

        struct stat folder {};
        if (::fstat(at.folder.get(), &folder) != 0) return at;
        if (!MayFollow(at.st, folder)) {
            at.kind = Kind::RefusedLink;
            errno = EACCES;
            return at;
        }
        QByteArray target;
        if (!ReadLinkAt(at.folder.get(), at.name, at.st, &target)) return at;
        // A relative target is taken from the link's own folder; an absolute one from the root.
        Fd next;
        if (!OpenFolderOf(at.folder.get(), target, &next, &at.name)) return at;
        at.folder = std::move(next);
    }
    errno = ELOOP;
    return at;
}

bool WriteAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += n;
    }
    return true;
}

// On the disk before it counts; a file system that can't sync, or a read-only one, says so, and
// the bytes are then as safe as they get there.
bool SyncAll(int fd) {
    return ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS;
}

// The old file's own inode, emptied and written: for a folder that takes no new files.
bool WriteInPlace(const Checked& at, const QByteArray& bytes) {
    Fd fd(::openat(at.folder.get(), at.name.constData(),
                   O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) return false;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return false;
    if (!S_ISREG(st.st_mode) || !SameFile(st, at.st)) {
        errno = EAGAIN; // not the file that was checked
        return false;
    }
    return ::ftruncate(fd.get(), 0) == 0 && WriteAll(fd.get(), bytes) && SyncAll(fd.get()) &&
           fd.close();
}

QByteArray TemporaryName(const QByteArray& name) {
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    QByteArray out = name + '.';
    for (int i = 0; i < 6; ++i)
        out += digits[QRandomGenerator::global()->bounded(36)];
    return out;
}

} // namespace

void SetPlainFileCheckedHook(std::function<void()> hook) {
    CheckedHook() = std::move(hook);
}

bool ReadPlainFile(const QString& path, qint64 maxBytes, QByteArray* bytes) {
    const Checked at = Check(QFile::encodeName(path));
    if (at.kind != Kind::Regular) return false;
    // Non-blocking and without following a link, so something swapped in since the check (a
    // FIFO that would wait for a writer, a new link) is refused rather than waited on.
    Fd fd(::openat(at.folder.get(), at.name.constData(),
                   O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid()) return false;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    QByteArray out;
    while (out.size() <= maxBytes) {
        char chunk[4096];
        const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        out.append(chunk, n);
    }
    if (out.size() > maxBytes + 1) out.truncate(maxBytes + 1);
    *bytes = out;
    return true;
}

bool SavePlainFile(const QString& path, const QByteArray& bytes, bool directFallback) {
    const Checked at = Check(QFile::encodeName(path));
    if (at.kind != Kind::Regular && at.kind != Kind::Absent) return false;
    if (CheckedHook()) CheckedHook()();

    // Until its bytes are in, the temporary file is the user's alone; it then takes the old
    // file's permissions, or the usual ones of a new file.
    const bool replacing = at.kind == Kind::Regular;
    QByteArray temporary;
    Fd fd;
    for (int attempt = 0; attempt < 100 && !fd.valid(); ++attempt) {
        temporary = TemporaryName(at.name);
        fd = Fd(::openat(at.folder.get(), temporary.constData(),
                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                         replacing ? 0600 : 0666));
        if (!fd.valid() && errno != EEXIST) break;
    }
    if (!fd.valid()) {
        if (directFallback && replacing && errno == EACCES) return WriteInPlace(at, bytes);
        return false;
    }

    bool ok = WriteAll(fd.get(), bytes) && SyncAll(fd.get());
    // A file system without permissions (a FAT stick) refuses them; the bytes matter more.
    if (ok && replacing && ::fchmod(fd.get(), at.st.st_mode & 0777) != 0 && errno != EPERM &&
        errno != ENOTSUP)
        ok = false;
    ok = fd.close() && ok;
    // The rename replaces the checked name itself, whatever stands there now.
    ok = ok && ::renameat(at.folder.get(), temporary.constData(), at.folder.get(),
                          at.name.constData()) == 0;
    if (!ok) {
        const KeepErrno keep;
        ::unlinkat(at.folder.get(), temporary.constData(), 0);
    }
    return ok;
}

} // namespace verrano
