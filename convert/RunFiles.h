// RunFiles: the file steps a conversion run takes around its outputs.
//
// FileMark/MarkOf/WrittenSince tell afterwards whether a step wrote a path
// (the image converter reports success whatever happened, so the file itself
// is the evidence). Publish moves a finished temporary file over its target
// in one rename, with the permissions a newly created file would have had.
// NaturalLess orders page-file names with their numbers taken by value.
// No state beyond the process's file-creation mask, read once; thread-safe.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

#include <string>

// What was at a path before a step.
struct FileMark {
    bool present = false;
    ino_t inode = 0;
    struct timespec mtime {};
    off_t size = 0;
};

FileMark MarkOf(const std::string &path);

// True when `path` is now a regular file that was absent at `before` or has
// changed since (another inode, size or modification time).
bool WrittenSince(const FileMark &before, const std::string &path);

// The process's file-creation mask, read without changing it (022 when it
// can't be read).
mode_t CurrentUmask();

// Give the finished temporary file `temp` mode 0666 less the umask and rename
// it over `target`; false when the rename failed (`temp` is then still there).
bool Publish(const std::string &temp, const std::string &target);

// Names compare with their digit runs taken as numbers ("p_999" < "p_1000"),
// otherwise byte by byte; names equal that way fall back to plain order.
bool NaturalLess(const std::string &a, const std::string &b);
