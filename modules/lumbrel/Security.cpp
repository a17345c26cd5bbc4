#include "modules/lumbrel/Security.h"

#include <sys/random.h>

#include <cerrno>
#include <cstring>
#include <exception>

#include <qpdf/QPDF.hh>
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

void SetAes256(QPDFWriter &writer, const SecurityRequest &r, const std::string &owner) {
    const int p = r.permissions;
    qpdf_r3_print_e print = !Bit(p, 3) ? qpdf_r3p_none : Bit(p, 12) ? qpdf_r3p_full : qpdf_r3p_low;
    writer.setR6EncryptionParameters(r.userPassword.c_str(), owner.c_str(),
                                     /*accessibility*/ Bit(p, 10), /*extract*/ Bit(p, 5),
                                     /*assemble*/ Bit(p, 11), /*annotate and form*/ Bit(p, 6),
                                     /*form filling*/ Bit(p, 9), /*modify other*/ Bit(p, 4), print,
                                     /*encrypt metadata*/ true);
}

// Gives the RC4-encrypted `pdf` a new owner password: new /O and /U values
// (the file key depends on /O), which the writer then takes over with the
// rest of the file's parameters. The file's objects are still read with the
// key found when it was opened.
bool ReplaceOwner(QPDF &pdf, QPDFWriter &writer, const std::string &owner, std::string &error) {
    int R = 0, P = 0, V = 0;
    QPDF::encryption_method_e streams, strings, files;
    if (!pdf.isEncrypted(R, P, V, streams, strings, files)) {
        error = "the file is not encrypted";
        return false;
    }
    if (V >= 4 || R > 4) {
        error = "unexpected encryption version";
        return false;
    }
    QPDFObjectHandle trailer = pdf.getTrailer();
    QPDFObjectHandle encrypt = trailer.getKey("/Encrypt");
    QPDFObjectHandle id = trailer.getKey("/ID");
    if (!encrypt.isDictionary() || !id.isArray() || id.getArrayNItems() < 1 ||
        !id.getArrayItem(0).isString()) {
        error = "incomplete encryption dictionary";
        return false;
    }
    const int keyLength = V > 1 && encrypt.getKey("/Length").isInteger()
                              ? encrypt.getKey("/Length").getIntValueAsInt() / 8
                              : 5;
    const bool encryptMetadata = !encrypt.getKey("/EncryptMetadata").isBool() ||
                                 encrypt.getKey("/EncryptMetadata").getBoolValue();
    std::string user = pdf.getPaddedUserPassword();
    Wiped wipeUser(user);
    QPDF::trim_user_password(user);

    std::string O, U;
    QPDF::compute_encryption_O_U(user.c_str(), owner.c_str(), V, R, keyLength, P, encryptMetadata,
                                 id.getArrayItem(0).getStringValue(), O, U);
    encrypt.replaceKey("/O", QPDFObjectHandle::newString(O));
    encrypt.replaceKey("/U", QPDFObjectHandle::newString(U));
    writer.copyEncryptionParameters(pdf);
    return true;
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

bool ApplySecurity(QPDF &pdf, QPDFWriter &writer, const SecurityRequest &request,
                   std::string &error) {
    try {
        std::string owner = request.ownerPassword;
        Wiped wipeOwner(owner);
        if (owner.empty()) {
            owner = RandomPassword();
            if (owner.empty()) {
                error = std::string("no random bytes: ") + std::strerror(errno);
                return false;
            }
        } else if (!request.aes256) {
            // The interpreter already used the caller's owner password.
            int R = 0, P = 0, V = 0;
            QPDF::encryption_method_e streams, strings, files;
            if (!pdf.isEncrypted(R, P, V, streams, strings, files)) {
                error = "the file is not encrypted";
                return false;
            }
            return true;
        }
        if (request.aes256) {
            SetAes256(writer, request, owner);
            return true;
        }
        return ReplaceOwner(pdf, writer, owner, error);
    } catch (std::exception &e) {
        error = e.what();
        return false;
    }
}

} // namespace lumbrel
