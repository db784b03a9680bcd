// Plain-file reading and whole-file replacing over POSIX calls and QSaveFile, with the kernel's
// rule for following symbolic links in shared folders.
#include "platform/plain_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace verrano {

namespace {

// The kernel gives up on a path after this many links.
constexpr int kMaxLinks = 40;

QByteArray FolderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) return QByteArrayLiteral(".");
    if (slash == 0) return QByteArrayLiteral("/");
    return path.left(slash);
}

bool MayFollow(const struct stat& link, const QByteArray& folder) {
    if (link.st_uid == ::geteuid()) return true;
    struct stat dir {};
    if (::stat(folder.constData(), &dir) != 0) return false;
    const mode_t shared = S_ISVTX | S_IWOTH;
    if ((dir.st_mode & shared) != shared) return true;
    return dir.st_uid == link.st_uid;
}

} // namespace

PlainFilePath ResolvePlainFile(const QString& path) {
    QByteArray current = QFile::encodeName(path);
    for (int hop = 0; hop <= kMaxLinks; ++hop) {
        struct stat st {};
        if (::lstat(current.constData(), &st) != 0) {
            const PlainFileKind kind =
                errno == ENOENT ? PlainFileKind::Absent : PlainFileKind::Other;
            return {kind, QFile::decodeName(current)};
        }
        if (S_ISREG(st.st_mode)) return {PlainFileKind::Regular, QFile::decodeName(current)};
        if (!S_ISLNK(st.st_mode)) return {PlainFileKind::Other, QFile::decodeName(current)};

        const QByteArray folder = FolderOf(current);
        if (!MayFollow(st, folder)) return {PlainFileKind::RefusedLink, QFile::decodeName(current)};
        QByteArray target(static_cast<qsizetype>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(current.constData(), target.data(), target.size());
        if (n <= 0 || n >= target.size()) return {PlainFileKind::Other, QFile::decodeName(current)};
        target.truncate(n);
        current = target.startsWith('/') ? target : folder + '/' + target;
    }
    return {PlainFileKind::Other, QFile::decodeName(current)};
}

bool ReadPlainFile(const QString& path, qint64 maxBytes, QByteArray* bytes) {
    const PlainFilePath file = ResolvePlainFile(path);
    if (file.kind != PlainFileKind::Regular) return false;
    // Non-blocking and without following a link, so something swapped in since the check (a
    // FIFO that would wait for a writer, a new link) is refused rather than waited on.
    const int fd = ::open(QFile::encodeName(file.target).constData(),
                          O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    QByteArray out;
    while (ok && out.size() <= maxBytes) {
        char chunk[4096];
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        out.append(chunk, n);
    }
    ::close(fd);
    if (!ok) return false;
    if (out.size() > maxBytes + 1) out.truncate(maxBytes + 1);
    *bytes = out;
    return true;
}

bool SavePlainFile(const QString& path, const QByteArray& bytes, bool directFallback) {
    const PlainFilePath file = ResolvePlainFile(path);
    if (file.kind == PlainFileKind::RefusedLink) {
        errno = EACCES; // what the system answers when it refuses to follow such a link
        return false;
    }
    if (file.kind != PlainFileKind::Regular && file.kind != PlainFileKind::Absent) {
        // A failed lookup left its own reason; what stands there is said in the system's words.
        struct stat st {};
        if (::lstat(QFile::encodeName(file.target).constData(), &st) == 0)
            errno = S_ISDIR(st.st_mode) ? EISDIR : S_ISLNK(st.st_mode) ? ELOOP : EEXIST;
        return false;
    }

    QSaveFile out(file.target);
    out.setDirectWriteFallback(directFallback);
    if (!out.open(QIODevice::WriteOnly)) return false;
    // QSaveFile keeps a small write in its buffer and ignores a failure of the flush inside
    // commit(), which would then put a short file in place of the old one: push the bytes to the
    // disk first and give up on any error.
    bool ok = out.write(bytes) == bytes.size() && out.flush() && out.error() == QFile::NoError;
    if (ok && ::fsync(out.handle()) != 0 && errno != EINVAL && errno != EROFS) ok = false;
    if (!ok) {
        const int reason = errno;
        out.cancelWriting();
        errno = reason;
        return false;
    }
    return out.commit();
}

} // namespace verrano
