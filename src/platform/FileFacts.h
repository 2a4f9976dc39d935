#pragma once
// Facts about paths and files, and the few text helpers that paths and settings share.
// Paths are UTF-8 with '/' as the separator.

#include <cstddef>
#include <string>
#include <string_view>

// A regular file, after following symlinks; a folder never counts.
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

// The folder of a path without its final '/', except where that '/' is the root or follows
// another '/'. Empty when the path holds no '/'.
std::string ExtractFileDir(std::string_view path);
// Everything up to and including the last '/'.
std::string ExtractFilePath(std::string_view path);
// Everything after the last '/'.
std::string ExtractFileName(std::string_view path);
// From the last '.' after the last '/', dot included; empty when there is none.
std::string ExtractFileExt(std::string_view path);

// Removes blanks and control characters (bytes 0x00 to 0x20) at both ends.
std::string Trim(std::string_view text);
// Lower-cases A to Z only; bytes from 0x80 up are left alone, as the ANSI code page does.
std::string LowerAscii(std::string_view text);
bool SameTextAscii(std::string_view a, std::string_view b);

// The folder of the running executable, with a trailing '/'.
std::string ProgramDir();

// The file's modification time in nanoseconds since the epoch; -1 when there is no file.
long long FileAgeOf(const std::string& path);

// Whole content of a file; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// At most limit bytes of a regular file, for files named by others (a help page and what it
// links): a FIFO, a device or a folder is refused without being opened for reading in a way
// that could block, and /dev/zero cannot fill memory. False when it is no regular file or
// cannot be read.
bool ReadRegularFile(const std::string& path, std::size_t limit, std::string& bytes);

// Replaces a file's content atomically: a temporary file in the same folder, fsync, rename.
// A failure leaves the old file as it was and answers false with a reason naming the file.
// A file without any write permission bit counts as read-only and is refused, whoever runs
// the program. The mode of an existing file is kept; a symlink is written through, unless
// links is Replace: then the link itself is replaced by the file, which is what files at fixed
// names in shared folders need, so that a link planted there is never followed.
enum class Links { Follow, Replace };
bool WriteFileAtomic(const std::string& path, std::string_view bytes, std::string* error,
                     Links links = Links::Follow);

// The folder for temporary files: TMPDIR when it is set and not empty, else /tmp.
std::string TempFolder();

// The memory the kernel says is available for new work (MemAvailable), in bytes; 0 where it
// cannot tell.
std::size_t AvailableMemory();

// The user's desktop folder, as xdg-user-dir DESKTOP names it: XDG_DESKTOP_DIR of
// user-dirs.dirs, else ~/Desktop. Empty without a home folder.
std::string UserDesktopFolder();
