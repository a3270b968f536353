#pragma once
// Whole-file reads and writes for the files the program keeps beside
// itself. A file is never rewritten in place: the new bytes go to a
// temporary file in the same folder, reach the disk, and are renamed over
// the old one, so a crash, a kill or a full disk leaves either the old file
// or the new one, whole.

#include <cstddef>
#include <string>
#include <string_view>

// Reads the regular file at path into out. False with errno set when it
// cannot be opened or read, and with EFBIG when it is longer than maxBytes;
// out is then unspecified.
bool ReadFileBytes(const std::string& path, std::string& out, std::size_t maxBytes);

// Makes bytes the content of path: written to a temporary file beside it,
// flushed to the disk and renamed over it. A symbolic link is followed and
// the file it names is replaced in its own folder, so the link stays. An
// existing file keeps its permissions; a new one gets rw-r--r--. False
// with errno set when any step fails; path is then as it was.
bool ReplaceFile(const std::string& path, std::string_view bytes);

// Removes the temporary files that a ReplaceFile of path left behind when
// its process was killed midway. Only while no other process writes path.
void RemoveReplaceLeftovers(const std::string& path);

// Creates path with bytes and permissions mode (less the umask), refusing
// when path exists. False with errno set (EEXIST when it existed); a file
// left half written is removed.
bool CreateNewFile(const std::string& path, std::string_view bytes, unsigned mode = 0644);

// Creates the folder path and any missing parents, each new one with mode
// (before the umask). True when path is a folder afterwards; false with
// errno set otherwise (ENOTDIR when a file stands in the way).
bool MakeFolders(const std::string& path, unsigned mode);

// Closes fd, keeping errno as it was: it says why the caller gave up.
void CloseKeepingErrno(int fd);
