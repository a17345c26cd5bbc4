// The security of a finished PDF: what the finishing step writes when the
// caller asks for encryption (see ordinal_6 in Lumbrel.h).
//
// ApplySecurity prepares `writer` (made for `pdf`, nothing written yet):
//   - 256-bit AES: the file is written with revision 6, the given user
//     password, the owner password (a fresh random one when it is empty) and
//     the permissions of P;
//   - RC4 (the interpreter encrypted the file): the file keeps its
//     revision, key length and permissions; when the owner password is empty
//     the interpreter's stand-in is replaced by a fresh random one. A file
//     that is not encrypted is refused.
// The random owner password comes from getrandom (192 bits), lives only in
// this call and is wiped afterwards; it is never returned, stored or put in a
// message. Not thread-affine; nothing throws.
#pragma once

#include <string>

class QPDF;
class QPDFWriter;

namespace lumbrel {

struct SecurityRequest {
    bool aes256 = false; // false: RC4 as the interpreter wrote it
    int permissions = 0; // P, bits as the standard numbers them (revision 3)
    std::string ownerPassword;
    std::string userPassword;
};

// True when the writer is ready; false with `error` filled in otherwise.
bool ApplySecurity(QPDF &pdf, QPDFWriter &writer, const SecurityRequest &request,
                   std::string &error);

// A password of 32 characters from [A-Za-z0-9_-] carrying 192 random bits
// from getrandom; empty when the system can't give them.
std::string RandomPassword();

} // namespace lumbrel
