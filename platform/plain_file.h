// Small files that must be plain regular files: read without blocking on anything else, and
// replaced whole or not at all, following symbolic links only where the system itself would.
#pragma once

#include <QByteArray>
#include <QString>

namespace verrano {

// What stands at a path once its symbolic links are followed.
enum class PlainFileKind {
    Regular,    // a regular file
    Absent,     // nothing (a link may point there): a new file may be created
    Other,      // a FIFO, device, socket or directory: never opened or replaced
    RefusedLink // a link the system would not follow (another user's, in a shared sticky folder)
};

struct PlainFilePath {
    PlainFileKind kind = PlainFileKind::Absent;
    QString target; // the path with every link followed; the file that is read or replaced
};

// Follows the links at path one by one as the kernel does under its protected-symlinks rule: a
// link is followed when the user owns it, when its folder is not both sticky and
// world-writable, or when the link and its folder have one owner.
PlainFilePath ResolvePlainFile(const QString& path);

// The file's bytes, at most maxBytes + 1 of them (so the caller sees an oversized file); false
// when it is absent, not a regular file, a refused link, or unreadable.
bool ReadPlainFile(const QString& path, qint64 maxBytes, QByteArray* bytes);

// Replaces the file at path with bytes through a temporary file, and only once every byte is
// known to be on the disk; on any failure the old file keeps every byte. With directFallback, a
// file in a folder that takes no new files is written in place (a failure there is still
// reported, though the old bytes are then gone). On failure errno tells why.
bool SavePlainFile(const QString& path, const QByteArray& bytes, bool directFallback = false);

} // namespace verrano
