// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The messages between tessarin.so and a warm interpreter server
// (tessarin-run started with kWarmServerSwitch), over Unix sequenced-packet
// sockets, so every message arrives whole or not at all.
//
// On the server's control socket (its descriptor 3):
//   Init     module -> server  the run's fixed arguments (PackStrings)
//   Ready    server -> module  the interpreter's start-up code (PackCode)
//   File     module -> server  the output entry's value; descriptors: the
//                              open input, and the file's reply socket
// On a file's reply socket:
//   Started  server -> module  the child's pid (PackCode); descriptor: a pidfd
//   Page     child  -> module  how many pages of a single output file the
//                              child has finished so far (PackCode)
//   Code     child  -> module  the file's result code and first error line
//   Ended    server -> module  the child's wait status (PackCode)
// The reply socket reaches its end once the server and the child have both
// closed it. Descriptors received are close-on-exec. Nothing throws.
#pragma once

#include <string>
#include <vector>

namespace tessarin::warm {

// The argument that names the interpreter's output.
inline constexpr char kOutputEntry[] = "-sOutputFile=";

// True when an output name holds a conversion ("%d", "%03d") and so names a
// file per page; "%%" is a plain '%'.
inline bool IsPagePattern(const std::string &name) {
    for (size_t i = name.find('%'); i != std::string::npos; i = name.find('%', i + 2)) {
        if (i + 1 >= name.size() || name[i + 1] != '%')
            return true;
    }
    return false;
}

// tessarin-run's only argument when it is to be a server.
inline constexpr char kServerSwitch[] = "--warm-server";

enum class Kind : char {
    Init = 'I',
    Ready = 'R',
    File = 'F',
    Started = 'S',
    Page = 'P',
    Code = 'C',
    Ended = 'E',
};

struct Message {
    Kind kind = Kind::Init;
    std::string body;
    std::vector<int> fds;
};

// The largest body a message may carry.
inline constexpr size_t kMaxBody = 64 * 1024;
// The most descriptors one message carries.
inline constexpr int kMaxFds = 4;

bool Send(int socket, Kind kind, const std::string &body, const std::vector<int> &fds = {});
// 1 when a message arrived, 0 at the end of the stream, -1 on an error or a
// malformed message (whose descriptors are closed).
int Receive(int socket, Message *message);
// Closes the descriptors a message carried.
void CloseFds(Message &message);

std::string PackStrings(const std::vector<std::string> &strings);
bool UnpackStrings(const std::string &body, std::vector<std::string> *strings);

// A code, then (optionally) a text.
std::string PackCode(int code, const std::string &text = {});
bool UnpackCode(const std::string &body, int *code, std::string *text = nullptr);

} // namespace tessarin::warm
