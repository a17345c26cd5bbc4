// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Status: the outcome of one step on a page inside the image converter.
//
// A step either succeeds or says what went wrong. The message stays inside
// the converter (the handle interface reports nothing about pages); tests and
// the benchmark read it.
#pragma once

#include <string>
#include <utility>

namespace imageconv {

class Status {
public:
    static Status Ok() { return Status(); }
    static Status Fail(std::string message) { return Status(std::move(message)); }

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const std::string &message() const { return message_; }

private:
    Status() = default;
    explicit Status(std::string message) : ok_(false), message_(std::move(message)) {}

    bool ok_ = true;
    std::string message_;
};

} // namespace imageconv
