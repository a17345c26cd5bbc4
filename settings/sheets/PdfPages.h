// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The pages of the "PDF Settings" sheet: security (CSecurity), document
// information (CInfo), the text stamp (CStampDlg) and output quality
// (CQuality). All but the stamp page work on a copy of PdfSettings, the
// stamp page on a copy of StampSettings; each writes its own keys of section
// "Pdf" on OK (see SettingsPage.h).
//
// PDF/A and encryption exclude each other: while one is on, the other's
// control is disabled (left enabled only when both are on, as a profile may
// say, so that one can be turned off). The security and quality pages tell
// each other through their signals, connected by the sheet's builder.
#pragma once

#include <QRect>

#include "settings/ConvertSettings.h"
#include "settings/sheets/SettingsPage.h"

// "PDF 安全": encryption, passwords (masked; the user password typed a
// second time to confirm it, and OK refused while the two differ and
// encryption is on), key level (40-bit RC4, 128-bit RC4, 256-bit AES) and
// the four permissions, enabled only while "加密 PDF" is checked.
class CSecurity : public CSettingsPage {
    Q_OBJECT
public:
    explicit CSecurity(QWidget *parent = nullptr);
    void Setup(const PdfSettings &settings, const std::string &iniPath);
    void DoDataExchange(bool save) override;
    QString Refusal() override;

    // PDF/A was turned on or off on the quality page.
    void SetPdfAOn(bool on);

signals:
    void EncryptionChanged(bool on);

protected:
    void OnInitDialog() override;
    void WriteKeys(IniFile &ini) override;

private:
    void ApplyEncryptionRule();
    bool m_bPdfAOn = false;

    PdfSettings m_settings;
    int m_bEncrypt = 0;
    int m_nKeyLevel = 0;
    int m_bAllowPrint = 0;
    int m_bAllowChange = 0;
    int m_bAllowCopy = 0;
    int m_bAllowForms = 0;
};

// "PDF 信息": the six document information entries.
class CInfo : public CSettingsPage {
    Q_OBJECT
public:
    explicit CInfo(QWidget *parent = nullptr);
    void Setup(const PdfSettings &settings, const std::string &iniPath);
    void DoDataExchange(bool) override {}

protected:
    void OnInitDialog() override;
    void WriteKeys(IniFile &ini) override;

private:
    PdfSettings m_settings;
};

// "水印": the text stamp. The swatch shows the current colour only while
// the stamp is on; the colour button opens the chooser only then.
class CStampDlg : public CSettingsPage {
    Q_OBJECT
public:
    explicit CStampDlg(QWidget *parent = nullptr);
    void Setup(const StampSettings &settings, const std::string &iniPath);
    void DoDataExchange(bool save) override;

    // The current colour, 0x00BBGGRR.
    int CurrentColour() const { return m_crColor; }
    // The colour button's action.
    void OnColour();

protected:
    void OnInitDialog() override;
    void WriteKeys(IniFile &ini) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void ApplyStampRule();

    StampSettings m_settings;
    int m_bUseText = 0;
    int m_nPosition = -1;
    int m_bBackground = 0;
    int m_crColor = 0;
    QRect m_rcSwatch;
};

// "PDF 质量": the size preset, PDF/A, embedding every font and fast web view.
class CQuality : public CSettingsPage {
    Q_OBJECT
public:
    explicit CQuality(QWidget *parent = nullptr);
    void Setup(const PdfSettings &settings, const std::string &iniPath);
    void DoDataExchange(bool save) override;

    // Encryption was turned on or off on the security page.
    void SetEncryptionOn(bool on);

signals:
    void PdfAChanged(bool on);

protected:
    void OnInitDialog() override;
    void WriteKeys(IniFile &ini) override;

private:
    void ApplyExclusionRule();

    PdfSettings m_settings;
    bool m_bEncryptOn = false;
    int m_nQuality = 0;
    int m_nPdfA = 0;
    int m_bEmbedFonts = 1;
    int m_bFastWeb = 0;
};
