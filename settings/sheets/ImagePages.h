// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The pages of the "Image Settings" sheet: the Common page and one page per
// image format with a colour choice, made from the format's row of the
// format table (imageconv/ImageFormats.h: its template, colour list, keys
// and description). Each works on its own copy of ImageSettings and writes
// its keys of section "Img" on OK; see SettingsPage.h for the page life
// cycle.
//
// Colour lists show captions and store colour values; a stored value is
// selected by comparing without regard to case, and a list left without a
// selection at OK leaves its key as the file has it.
#pragma once

#include <optional>
#include <string>

#include "imageconv/ImageFormats.h"
#include "settings/ConvertSettings.h"
#include "settings/sheets/SettingsPage.h"

class QComboBox;

// The colour value a list caption stands for, or nullptr.
const char *ColourValueOfCaption(const QString &caption);
// Select the item of `list` whose value equals `value` ignoring case; none
// when nothing matches.
void SelectColourValue(QComboBox *list, const std::string &value);
// The value of the selected item, or nothing without a selection.
std::optional<std::string> SelectedColourValue(const QComboBox *list);

class CImagePage : public CSettingsPage {
    Q_OBJECT
public:
    using CSettingsPage::CSettingsPage;
    // Take a copy of `settings` and the INI file to write.
    void Setup(const ImageSettings &settings, const std::string &iniPath);

protected:
    ImageSettings m_settings;
};

// "共同": resize, size, resolution and smoothing, folder per file, rotation.
// The resolution's two boxes take 72..600 only, and move together while
// "Same for both" (on when the stored two are equal) is on.
class CComn : public CImagePage {
    Q_OBJECT
public:
    explicit CComn(QWidget *parent = nullptr);
    void DoDataExchange(bool save) override;
    // A resolution typed out of range is refused.
    QString Refusal() override;

protected:
    void OnInitDialog() override;
    void WriteKeys(IniFile &ini) override;

private:
    void OnResize();
    void ApplyResizeRule();

    int m_bResize = 0;
    int m_bFolderPerFile = 0;
    int m_bAntialias = 1;
};

// A format's page: its colour list and description (SheetPage::Colour);
// the JPEG and TIFF pages add their controls.
class CColourPage : public CImagePage {
    Q_OBJECT
public:
    CColourPage(const ImageFormat &format, QWidget *parent);
    void DoDataExchange(bool) override {}

protected:
    void OnInitDialog() override;
    void WriteKeys(IniFile &ini) override;
    // The colour list's selection into the format's colour key.
    void WriteColour(IniFile &ini);

    const ImageFormat &m_format;
};

// The colour-only pages, a class each (its row of the format table says
// all it does): "BMP", "GIF", "PNG", "PCX", "JP2", "JPC", "RAS", "TGA".
class CBmpp : public CColourPage {
    Q_OBJECT
public:
    using CColourPage::CColourPage;
};
class CGif : public CColourPage {
    Q_OBJECT
public:
    using CColourPage::CColourPage;
};
class CPng : public CColourPage {
    Q_OBJECT
public:
    using CColourPage::CColourPage;
};
class CPcx : public CColourPage {
    Q_OBJECT
public:
    using CColourPage::CColourPage;
};
class CJp2 : public CColourPage {
    Q_OBJECT
public:
    using CColourPage::CColourPage;
};
class CJpc : public CColourPage {
    Q_OBJECT
public:
    using CColourPage::CColourPage;
};
class CRas : public CColourPage {
    Q_OBJECT
public:
    using CColourPage::CColourPage;
};
class CTga : public CColourPage {
    Q_OBJECT
public:
    using CColourPage::CColourPage;
};

// "JPEG": colour and quality (track bar 1..100, number in static 1042).
class CJpg : public CColourPage {
    Q_OBJECT
public:
    using CColourPage::CColourPage;

protected:
    void OnInitDialog() override;
    void WriteKeys(IniFile &ini) override;
};

// "TIFF": colour, compression with its rule, quality, multi-page.
class CTiff : public CColourPage {
    Q_OBJECT
public:
    using CColourPage::CColourPage;
    void DoDataExchange(bool save) override;

protected:
    void OnInitDialog() override;
    void WriteKeys(IniFile &ini) override;

private:
    void ApplyCompressionRule();

    int m_nCompression = 0;
    int m_bMultipage = 0;
};

// The format's page, or nullptr for a format without one (SheetPage::None).
CImagePage *MakeFormatPage(const ImageFormat &format, QWidget *parent);
