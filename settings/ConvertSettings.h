// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// ConvertSettings: every user choice that a conversion reads.
//
// Plain values, no behaviour. The main window owns one instance; the
// conversion worker and the command-line front end read it. The settings
// pages never touch it: they write Profile.ini and the owner re-reads the
// section (see SettingsKeys.h for the keys, defaults and corrections).
// Field names follow the keys' historical names.
#pragma once

#include <string>

struct ImageSettings {
    int bResize = 0;         // "resize"
    int nWidth = 0;          // "width"
    int nHeight = 0;         // "height"
    int nAngle = 0;          // "angle"
    int nXDpi = 0;           // "xdpi", 72..600 after loading
    int nYDpi = 0;           // "ydpi", 72..600 after loading
    int bFolderPerFile = 0;  // "each"
    std::string szBmpColor;  // "bmpc"  (colour values hold at most 31 characters)
    std::string szPngColor;  // "pngc"
    std::string szPcxColor;  // "pcxc"
    std::string szGifColor;  // "gifc"
    std::string szTgaColor;  // "tgac"
    std::string szJp2Color;  // "jp2c"
    std::string szRasColor;  // "rasc"
    std::string szJpcColor;  // "jpcc"
    std::string szJpgColor;  // "jpgc"
    int nJpgQuality = 0;     // "JQu"
    std::string szTifColor;  // "tifc"
    int nTifCompression = 0; // "compress": index into the TIFF compression list
    int nTifQuality = 0;     // "TJQu"
    int bTifMultipage = 0;   // "multpage"
    int bAntialias = 1;      // "antialias": 0 renders without smoothing
};

struct PdfSettings {
    int bEncrypt = 0;            // "encrypt"
    int bAllowCopy = 0;          // "copy"
    int bAllowPrint = 0;         // "print"
    int bAllowChange = 0;        // "change"
    int bAllowForms = 0;         // "add"
    int nKeyLevel = 0;           // "level": 0 = 40-bit RC4, 2 = 256-bit AES, else 128-bit RC4
    std::string szUserPassword;  // "upass"
    std::string szOwnerPassword; // "opass"
    std::string szTitle;         // "title"
    std::string szSubject;       // "subject"
    std::string szAuthor;        // "author"
    std::string szKeywords;      // "keywords"
    std::string szCreator;       // "creator"
    std::string szProducer;      // "producer"
    int nQuality = 0;            // "quality": 0 the interpreter's default, 1 screen, 2 e-book,
                                 // 3 printer, 4 prepress
    int nPdfA = 0;               // "pdfa": 0 none, 1 PDF/A-1b, 2 PDF/A-2b, 3 PDF/A-3b
    int bEmbedFonts = 1;         // "embedfonts": embed and subset every font
    int bFastWeb = 0;            // "fastweb": linearised for viewing while downloading
};

struct StampSettings {
    int bUseText = 0;    // "tuse"
    std::string szText;  // "text"
    int nFontSize = 0;   // "fsize"
    int crColor = 0;     // "fcolor", 0x00BBGGRR
    int nPosition = 0;   // "fpos", 0..8
    int nRotation = 0;   // "frotate"
    int nOffsetX = 0;    // "foffx"
    int nOffsetY = 0;    // "foffy"
    int bBackground = 0; // "bground"
};

struct TextSettings {
    int nTextMode = 0;  // "txtmode": 0 physical layout, 1 content-stream order
    int bPageBreak = 0; // "txtpagebreak"
};

// The largest "timelimit" (seconds: a day) and "memlimit" (MiB: 1 TiB) the
// window and the command line take.
inline constexpr int kMaxTimeLimitSeconds = 86400;
inline constexpr int kMaxMemoryLimitMiB = 1 << 20;

struct ConvertSettings {
    // General values (section "Set"), bound to the main window's controls.
    int m_nOutputKind = 0;     // "otype": 0 image files, 1 PDF, 2 text
    int m_nFormat = 0;         // "type": index in the image-format list
    int m_nOutputMode = 1;     // "mode": 0 beside each source, 1 the chosen folder
    int m_bNewIfExists = 0;    // "exists"
    std::string m_szOutputDir; // "output", ends in '/'
    int m_nTimeLimit = 0;      // "timelimit": seconds a file may take, 0 none
    int m_nMemLimit = 0;       // "memlimit": MiB of data per interpreter, 0 the default
    int m_bKeepTree = 1;       // "keeptree": files added with a folder keep its tree in "output"
    int m_bSubfolders = 1;     // "subfolders": adding a folder takes its subfolders too
    std::string m_szPages;     // "pages": the pages to convert (PageRange text), empty for all

    ImageSettings img;
    PdfSettings pdf;
    StampSettings stamp;
    TextSettings txt;
};
