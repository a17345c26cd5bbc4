// The pages of the "PDF Settings" sheet: security (CSecurity), document
// information (CInfo) and the text stamp (CStampDlg). The first two work on
// a copy of PdfSettings, the stamp page on a copy of StampSettings; each
// writes its own keys of section "Pdf" on OK (see SettingsPage.h).
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

protected:
    void OnInitDialog() override;
    void WriteKeys(IniFile &ini) override;

private:
    void ApplyEncryptionRule();

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
