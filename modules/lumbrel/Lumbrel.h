// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// lumbrel.so: finishing the PDFs the interpreter writes, and PDF to text.
//
// Entry points (extern "C", exported as ordinal_N, see convert/EngineModule.h):
//   ordinal_1  PdfPostProcess(pdf, opass, upass, appText, tuse, text, fcolor,
//              fsize, fposInverted, frotate, foffx, foffy, bground, title,
//              author, subject, keywords, creator, producer)      1 / 0
//   ordinal_3  PdfExtractText(pdf, txt, mode, pageBreak, one)     1 / 0
//   ordinal_5  version text (buffer, size)                        length of the full text
//   ordinal_6  PdfPostProcessSecured(the nineteen arguments of ordinal_1,
//              encrypt, keyLevel, permissions)                    1 / 0
//   lumbrel_finish_pdf(the twenty-two arguments of ordinal_6,
//              pdfaPart, fastWeb, embedFonts)                     1 / 0
//   lumbrel_last_error(buffer, size)                          length of the full text
//
// PdfPostProcess opens `pdf` with opass, else upass, else the empty password,
// replaces each non-empty information value (an empty producer instead
// appends appText to the engine's producer after "; "), brings the XMP
// metadata in line, draws the stamp on every page when tuse is 1 and text is
// not empty, and writes the result over `pdf` through a temporary file in the
// same folder, keeping the encryption as it was (key length, permissions,
// passwords). On any failure `pdf` is left exactly as it was.
// PdfPostProcessSecured does the same and, when encrypt is 1, encrypts the
// finished file (whatever encryption it had is replaced) with upass as the
// user password, opass as the owner password and the permission value
// `permissions` (P as the standard numbers its bits: 3 print, 12 print at
// full quality, 4 modify, 11 assemble, 5 extract, 10 extract for
// accessibility, 6 annotate, 9 fill forms):
//   keyLevel 2  256-bit AES, revision 6 (which always sets bit 10, no longer
//               used);
//   keyLevel 0  40-bit RC4, revision 2 (bits 3-6 count);
//   otherwise   128-bit RC4, revision 3.
// When opass is empty the file gets an owner password of its own, 192 random
// bits from getrandom that this call makes, uses and forgets (it is neither
// returned nor stored), so only the user password opens it and the
// restrictions hold. With encrypt other than 1 it is ordinal_1.
//
// lumbrel_finish_pdf (by name, LUMBREL_FINISH_PDF_SYMBOL) is
// PdfPostProcessSecured with three more arguments:
//   pdfaPart    1, 2, 3: the file is finished as PDF/A-1b, -2b, -3b: an sRGB
//               output intent with its ICC profile (unless it has one), the
//               pdfaid part and conformance B in the XMP, the stamp's font
//               embedded (0 when it can't be), and for 1b version 1.4
//               without object streams. 0 when encrypt is 1 or the file is
//               encrypted. Other values: no PDF/A.
//   fastWeb     1: the file is written linearised (also when encrypted).
//   embedFonts  1: the stamp's font is a subset embedded in the file (see
//               StampFonts.h), else a standard font the reader provides.
// Stamp: colour 0x00BBGGRR, size in points (<= 0 means 16), position
// -1 - fposInverted among the nine positions (outside 0-8 means 0) with 18
// points of margin, moved foffx right and foffy down, turned frotate degrees
// counter-clockwise about its anchor, under the page content when bground is
// 1, else over it.
//
// PdfExtractText writes the text of every page of `pdf` to `txt` as UTF-8:
// mode 3 in content-stream order, any other mode in the physical layout of
// the page; between pages (not after the last) a form feed when pageBreak is
// non-zero, else a newline. The ligature characters U+FB00 to U+FB06 are
// written as their letters ("ff", "fi", "fl", "ffi", "ffl", "st", "st"), so
// their words can be searched; nothing else is normalised. A document
// without text gives an empty file. The text file is written through a temporary file
// moved into place, so a failure leaves an existing `txt` as it was. 0 for a
// missing, broken or password-protected PDF or a text path that can't be
// written. `one` is accepted and not used.
//
// lumbrel_last_error (by name, LUMBREL_LAST_ERROR_SYMBOL) tells why the
// calling thread's last call of the four above failed, in a few words for a
// user ("can't decrypt the PDF: wrong password", "disk full", "the PDF is
// damaged: <the reader's message>"); "" after one that succeeded or before
// any. It copies the text, cut to fit and NUL-terminated, into `buffer` of
// `size` bytes and returns its full length (0 for none).
//
// All strings are UTF-8 (a byte that is not valid UTF-8 counts as the
// Latin-1 character of that value); null pointers count as empty strings.
// Calls may come from any thread; calls on different files may overlap.
// Nothing throws out of the module, and nothing is printed.
#pragma once

#define LUMBREL_FINISH_PDF_SYMBOL "lumbrel_finish_pdf"
#define LUMBREL_LAST_ERROR_SYMBOL "lumbrel_last_error"
