// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "modules/lumbrel/Security.h"

#include <sys/random.h>

#include <cerrno>
#include <cstring>
#include <exception>

#include <qpdf/QPDFWriter.hh>

namespace lumbrel {
namespace {

// Bit n of P as the standard numbers it (from 1).
bool Bit(int p, int n) {
    return (static_cast<unsigned>(p) >> (n - 1)) & 1u;
}

// Clears a string's bytes before it goes away.
class Wiped {
public:
    explicit Wiped(std::string &s) : m_s(s) {}
    ~Wiped() {
        if (!m_s.empty())
            explicit_bzero(m_s.data(), m_s.size());
    }
    Wiped(const Wiped &) = delete;
    Wiped &operator=(const Wiped &) = delete;

private:
    std::string &m_s;
};

qpdf_r3_print_e PrintRight(int p) {
    return !Bit(p, 3) ? qpdf_r3p_none : Bit(p, 12) ? qpdf_r3p_full : qpdf_r3p_low;
}

void SetCipher(QPDFWriter &writer, const SecurityRequest &r, const std::string &owner) {
    const int p = r.permissions;
    const char *user = r.userPassword.c_str();
    switch (r.cipher) {
    case Cipher::Aes256:
        writer.setR6EncryptionParameters(user, owner.c_str(), /*accessibility*/ Bit(p, 10),
                                         /*extract*/ Bit(p, 5), /*assemble*/ Bit(p, 11),
                                         /*annotate and form*/ Bit(p, 6),
                                         /*form filling*/ Bit(p, 9), /*modify other*/ Bit(p, 4),
                                         PrintRight(p), /*encrypt metadata*/ true);
        break;
    case Cipher::Rc4Bits128:
        writer.setR3EncryptionParametersInsecure(
            user, owner.c_str(), /*accessibility*/ Bit(p, 10), /*extract*/ Bit(p, 5),
            /*assemble*/ Bit(p, 11), /*annotate and form*/ Bit(p, 6), /*form filling*/ Bit(p, 9),
            /*modify other*/ Bit(p, 4), PrintRight(p));
        break;
    case Cipher::Rc4Bits40:
        writer.setR2EncryptionParametersInsecure(user, owner.c_str(), /*print*/ Bit(p, 3),
                                                 /*modify*/ Bit(p, 4), /*extract*/ Bit(p, 5),
                                                 /*annotate*/ Bit(p, 6));
        break;
    }
}

} // namespace

std::string RandomPassword() {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    unsigned char bytes[24];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            explicit_bzero(bytes, sizeof bytes);
            return {};
        }
        got += static_cast<std::size_t>(n);
    }
    // Every three bytes become four characters of six bits each.
    std::string password;
    password.reserve(32);
    for (std::size_t i = 0; i < sizeof bytes; i += 3) {
        unsigned v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        for (int shift = 18; shift >= 0; shift -= 6)
            password.push_back(kAlphabet[(v >> shift) & 63u]);
    }
    explicit_bzero(bytes, sizeof bytes);
    return password;
}

bool ApplySecurity(QPDFWriter &writer, const SecurityRequest &request, std::string &error) {
    try {
        std::string owner = request.ownerPassword;
        Wiped wipeOwner(owner);
        if (owner.empty()) {
            owner = RandomPassword();
            if (owner.empty()) {
                error = std::string("no random bytes: ") + std::strerror(errno);
                return false;
            }
        }
        SetCipher(writer, request, owner);
        return true;
    } catch (std::exception &e) {
        error = e.what();
        return false;
    }
}

} // namespace lumbrel
