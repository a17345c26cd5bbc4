// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/tessarin/WarmProtocol.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace tessarin::warm {
namespace {

void PutU32(std::string &out, std::uint32_t value) {
    out.append(reinterpret_cast<const char *>(&value), sizeof value);
}

bool GetU32(const std::string &in, size_t *at, std::uint32_t *value) {
    if (in.size() - *at < sizeof *value)
        return false;
    std::memcpy(value, in.data() + *at, sizeof *value);
    *at += sizeof *value;
    return true;
}

} // namespace

bool Send(int socket, Kind kind, const std::string &body, const std::vector<int> &fds) {
    if (body.size() > kMaxBody || fds.size() > static_cast<size_t>(kMaxFds))
        return false;
    std::string packet(1, static_cast<char>(kind));
    packet += body;
    iovec iov{packet.data(), packet.size()};
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * kMaxFds)] = {};
    if (!fds.empty()) {
        msg.msg_control = control;
        msg.msg_controllen = CMSG_SPACE(sizeof(int) * fds.size());
        cmsghdr *c = CMSG_FIRSTHDR(&msg);
        c->cmsg_level = SOL_SOCKET;
        c->cmsg_type = SCM_RIGHTS;
        c->cmsg_len = CMSG_LEN(sizeof(int) * fds.size());
        std::memcpy(CMSG_DATA(c), fds.data(), sizeof(int) * fds.size());
    }
    ssize_t n;
    do {
        n = sendmsg(socket, &msg, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(packet.size());
}

int Receive(int socket, Message *message) {
    message->body.clear();
    message->fds.clear();
    std::string packet(kMaxBody + 1, '\0');
    iovec iov{packet.data(), packet.size()};
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * kMaxFds)] = {};
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    ssize_t n;
    do {
        n = recvmsg(socket, &msg, MSG_CMSG_CLOEXEC);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return -1;
    for (cmsghdr *c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS)
            continue;
        size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (size_t i = 0; i < count; ++i) {
            int fd;
            std::memcpy(&fd, CMSG_DATA(c) + i * sizeof(int), sizeof fd);
            message->fds.push_back(fd);
        }
    }
    if (n == 0 && message->fds.empty())
        return 0;
    if (n == 0 || (msg.msg_flags & (MSG_TRUNC | MSG_CTRUNC))) {
        CloseFds(*message);
        return -1;
    }
    message->kind = static_cast<Kind>(packet[0]);
    message->body.assign(packet.data() + 1, static_cast<size_t>(n) - 1);
    return 1;
}

void CloseFds(Message &message) {
    for (int fd : message.fds)
        close(fd);
    message.fds.clear();
}

std::string PackStrings(const std::vector<std::string> &strings) {
    std::string out;
    PutU32(out, static_cast<std::uint32_t>(strings.size()));
    for (const std::string &s : strings) {
        PutU32(out, static_cast<std::uint32_t>(s.size()));
        out += s;
    }
    return out;
}

bool UnpackStrings(const std::string &body, std::vector<std::string> *strings) {
    strings->clear();
    size_t at = 0;
    std::uint32_t count = 0;
    if (!GetU32(body, &at, &count))
        return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t size = 0;
        if (!GetU32(body, &at, &size) || body.size() - at < size)
            return false;
        strings->push_back(body.substr(at, size));
        at += size;
    }
    return at == body.size();
}

std::string PackCode(int code, const std::string &text) {
    std::string out;
    PutU32(out, static_cast<std::uint32_t>(code));
    return out + text;
}

bool UnpackCode(const std::string &body, int *code, std::string *text) {
    size_t at = 0;
    std::uint32_t value = 0;
    if (!GetU32(body, &at, &value))
        return false;
    *code = static_cast<int>(value);
    if (text)
        *text = body.substr(at);
    return true;
}

} // namespace tessarin::warm
