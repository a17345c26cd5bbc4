// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "common/FileErrors.h"

#include <cerrno>
#include <cstring>

std::string FailReason(int err, const std::string &what) {
    switch (err) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return "disk full";
    case EROFS:
    case EACCES:
    case EPERM:
        return "output folder is read-only";
    case ENAMETOOLONG:
        return "name too long";
    case ENOENT:
    case ENOTDIR:
        return "output folder is missing";
    case EEXIST:
        return "no free numbered name";
    default:
        return err == 0 ? what : what + ": " + std::strerror(err);
    }
}
