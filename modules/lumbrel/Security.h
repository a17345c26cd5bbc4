// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The security of a finished PDF: what the finishing step writes when the
// caller asks for encryption (see ordinal_6 in Lumbrel.h).
//
// ApplySecurity prepares `writer` (made for the document, nothing written
// yet) to encrypt the file it writes with the user password, the owner
// password (a fresh random one when it is empty) and the permissions of P:
//   - 256-bit AES, revision 6;
//   - 128-bit RC4, revision 3 (all eight permission bits count);
//   - 40-bit RC4, revision 2 (print, modify, extract and annotate count, each
//     with the bits that revision 3 pairs with it).
// Whatever encryption the file had when it was read is replaced. The random
// owner password comes from getrandom (192 bits), lives only in this call
// and is wiped afterwards; it is never returned, stored or put in a message.
// Not thread-affine; nothing throws.
#pragma once

#include <string>

class QPDFWriter;

namespace lumbrel {

enum class Cipher { Rc4Bits40, Rc4Bits128, Aes256 };

struct SecurityRequest {
    Cipher cipher = Cipher::Aes256;
    int permissions = 0; // P, bits as the standard numbers them (revision 3)
    std::string ownerPassword;
    std::string userPassword;
};

// True when the writer is ready; false with `error` filled in otherwise.
bool ApplySecurity(QPDFWriter &writer, const SecurityRequest &request, std::string &error);

// A password of 32 characters from [A-Za-z0-9_-] carrying 192 random bits
// from getrandom; empty when the system can't give them.
std::string RandomPassword();

} // namespace lumbrel
