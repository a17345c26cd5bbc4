// CMainDlg: the main window, run modally; the program ends when it closes.
//
// DoModal() runs OnInitDialog and, when that succeeds, the dialog's event
// loop. OnInitDialog loads the engine module (tessarin.so) and the text
// extractor (lumbrel.so) from the module folder, fixes the path of
// Profile.ini, loads every settings group and captures the temporary folder.
// A module that fails to load shows its message and ends the window before it
// is ever shown; nothing is saved then.
//
// Every close request (close box, Alt+F4, Escape, reject()) goes through
// OnClose: ignored while m_bRunning is 1, otherwise the general settings are
// saved and both modules released before the window closes.
//
// Ownership: the window owns ConvertSettings, both modules and their entry
// points, the run flags and the folder paths. A conversion worker may borrow
// them for the length of a run: the entry points and m_szTempDir are fixed
// before any run can start, and the two flags are atomic. Everything else is
// GUI thread only.
#pragma once

#include <QDialog>
#include <QIcon>

#include <atomic>
#include <string>

#include "convert/EngineModule.h"
#include "settings/ConvertSettings.h"

class QCloseEvent;

class CMainDlg : public QDialog {
    Q_OBJECT

public:
    // `moduleDir` is the folder that holds tessarin.so and lumbrel.so
    // (ending in '/'); empty means the program's folder.
    explicit CMainDlg(QWidget *parent = nullptr, std::string moduleDir = std::string());
    ~CMainDlg() override;

    // Where Profile.ini is looked for: the system's major version and the two
    // candidate folders. Defaults: this system's version, the program's folder
    // and the user's configuration folder. Takes effect at OnInitDialog.
    void SetSettingsLocation(unsigned majorVersion, std::string programDir, std::string configDir);

    // Initialise and run the window. QDialog::Accepted when initialisation
    // failed (the window is then never shown), otherwise the result the
    // window ended with.
    int DoModal();

    // The initialisation steps, in order. False when a module failed to load;
    // the window has then been ended with the OK result.
    bool OnInitDialog();

    // The close request. True when the window may close (settings saved,
    // modules released); false while a run is in progress.
    bool OnClose();

    // Load a module and resolve its ordinals; on failure show the module's
    // message and return 0. The caller releases a failed module.
    int LoadEngine();
    int LoadExtractor();
    // Release a module when it is loaded; always 1. A released module's
    // entry points are cleared, so a second release does nothing.
    int FreeEngine();
    int FreeExtractor();

    // The settings groups, read from and written to m_szIniPath.
    void LoadGeneralSettings();
    void SaveGeneralSettings();
    void LoadImageSettings();
    void LoadPdfSettings();
    void LoadTextSettings();

    // Data exchange between the bound fields and the window's controls:
    // true copies the controls into the fields, false the fields into the
    // controls.
    void UpdateData(bool bSaveAndValidate);

    const QIcon m_hIcon;            // the application icon (128)
    std::string m_szIniPath;        // full path of Profile.ini
    std::string m_szModuleDir;      // folder of tessarin.so and lumbrel.so, ending in '/'
    std::string m_szTempDir;        // the system's temporary folder, ending in '/'
    ConvertSettings m_settings;     // general values and the four groups
    EngineModule m_engine;          // tessarin.so, ordinals 1-5
    ExtractorModule m_extractor;    // lumbrel.so, ordinals 1, 3, 5
    std::atomic<int> m_bRunning{0}; // 1 while a conversion runs
    std::atomic<int> m_bAbort{0};   // 1 when the running conversion was asked to stop

protected:
    void reject() override;

private:
    // OnInitDialog, one method per step.
    void CreateControls();      // 1: build the window's controls and bindings
    void SetIcons();            // 2: the window's large and small icon
    void FixIniPath();          // 5: where Profile.ini lives
    void SetupIconButtons();    // 6: the icon buttons and their theme
    void SetTitle();            // 7: the window title
    void SetupFileList();       // 8: the file list's style and columns
    void LoadSettings();        // 9: the four settings loads, then controls from fields
    void ApplyOutputRules();    // 10: the folder-mode and output-kind rules
    void CaptureTempDir();      // 10: m_szTempDir
    void EndAfterLoadFailure(); // 11: the OK path without showing the window

    void ShowLoadFailure(const char *text);

    unsigned m_nSystemVersion;
    std::string m_szProgramDir;
    std::string m_szConfigDir;
};
