// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Status: the outcome of one step on a page inside the image converter.
//
// A step either succeeds or says what went wrong. A failure that came from a
// system call also carries that call's errno, so the converter can tell its
// caller the cause in a user's words ("disk full") rather than the step's.
// The converter keeps the last failed page's reason for
// ImageConverterLastError; tests and the benchmark read the message itself.
#pragma once

#include <string>
#include <utility>

namespace imageconv {

class Status {
public:
    static Status Ok() { return Status(); }
    static Status Fail(std::string message) { return Status(std::move(message), 0); }
    // A failure whose cause is the system call that set `err` (errno).
    static Status SystemFail(int err, std::string message) {
        return Status(std::move(message), err);
    }

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const std::string &message() const { return message_; }
    // The errno of the failed system call behind the failure, 0 when none.
    int error() const { return error_; }

private:
    Status() = default;
    Status(std::string message, int err) : ok_(false), error_(err), message_(std::move(message)) {}

    bool ok_ = true;
    int error_ = 0;
    std::string message_;
};

} // namespace imageconv
