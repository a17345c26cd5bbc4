// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// The pages of the "Image Settings" sheet: the Common page and one page per
// image format with a colour choice (BMP, TIFF, JPEG, GIF, PNG, PCX, JP2,
// JPC, RAS, TGA). Each works on its own copy of ImageSettings and writes its
// keys of section "Img" on OK; see SettingsPage.h for the page life cycle.
//
// Colour lists show captions and store colour values; a stored value is
// selected by comparing without regard to case, and a list left without a
// selection at OK leaves its key as the file has it.
#pragma once

#include <optional>
#include <string>

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
class CComn : public CImagePage {
    Q_OBJECT
public:
    explicit CComn(QWidget *parent = nullptr);
    void DoDataExchange(bool save) override;

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

// The pages that hold a colour choice and a description only.
class CColourPage : public CImagePage {
    Q_OBJECT
public:
    struct Info {
        const dlgtpl::Dialog *tpl;
        int listId;
        const char *key;
        std::string ImageSettings::*field;
        const char *description;
    };
    CColourPage(const Info &info, QWidget *parent);
    void DoDataExchange(bool) override {}

protected:
    void OnInitDialog() override;
    void WriteKeys(IniFile &ini) override;

private:
    const Info &m_info;
};

class CBmpp : public CColourPage {
    Q_OBJECT
public:
    explicit CBmpp(QWidget *parent = nullptr);
};
class CGif : public CColourPage {
    Q_OBJECT
public:
    explicit CGif(QWidget *parent = nullptr);
};
class CPng : public CColourPage {
    Q_OBJECT
public:
    explicit CPng(QWidget *parent = nullptr);
};
class CPcx : public CColourPage {
    Q_OBJECT
public:
    explicit CPcx(QWidget *parent = nullptr);
};
class CJp2 : public CColourPage {
    Q_OBJECT
public:
    explicit CJp2(QWidget *parent = nullptr);
};
class CJpc : public CColourPage {
    Q_OBJECT
public:
    explicit CJpc(QWidget *parent = nullptr);
};
class CRas : public CColourPage {
    Q_OBJECT
public:
    explicit CRas(QWidget *parent = nullptr);
};
class CTga : public CColourPage {
    Q_OBJECT
public:
    explicit CTga(QWidget *parent = nullptr);
};

// "JPEG": colour and quality (track bar 1..100, number in static 1042).
class CJpg : public CImagePage {
    Q_OBJECT
public:
    explicit CJpg(QWidget *parent = nullptr);
    void DoDataExchange(bool) override {}

protected:
    void OnInitDialog() override;
    void WriteKeys(IniFile &ini) override;
};

// "TIFF": colour, compression with its rule, quality, multi-page.
class CTiff : public CImagePage {
    Q_OBJECT
public:
    explicit CTiff(QWidget *parent = nullptr);
    void DoDataExchange(bool save) override;

protected:
    void OnInitDialog() override;
    void WriteKeys(IniFile &ini) override;

private:
    void ApplyCompressionRule();

    int m_nCompression = 0;
    int m_bMultipage = 0;
};
