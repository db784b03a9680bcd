// Small files that must be plain regular files: read without blocking on anything else, and
// replaced whole or not at all, following symbolic links only where the system itself would.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace verrano {

// The links at a path are followed one by one as the kernel does under its protected-symlinks
// rule: a link is followed when the user owns it, when its folder is not both sticky and
// world-writable, or when the link and its folder have one owner. Each step is taken through the
// descriptor of the folder the previous one found, and link targets stay the bytes the system
// gave, so the file read or replaced is the one that was checked, whatever its name's encoding.

// The file's bytes, at most maxBytes + 1 of them (so the caller sees an oversized file); false
// when it is absent, not a regular file, a refused link, or unreadable.
bool ReadPlainFile(const QString& path, qint64 maxBytes, QByteArray* bytes);

// Replaces the file at path with bytes through a temporary file beside it, and only once every
// byte is known to be on the disk; on any failure the old file keeps every byte, and errno tells
// why. The temporary file is renamed over the name that was checked, which replaces that name
// itself: a link put there since the check is replaced, never followed. With directFallback, a
// file in a folder that takes no new files is written in place (a failure there is still
// reported, though the old bytes are then gone). On failure errno tells why.
bool SavePlainFile(const QString& path, const QByteArray& bytes, bool directFallback = false);

// For tests: runs after SavePlainFile has checked the path and before it writes anything, so a
// test can change what stands there in between.
void SetPlainFileCheckedHook(std::function<void()> hook);

} // namespace verrano
