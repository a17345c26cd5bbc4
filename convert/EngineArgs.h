// EngineArgs: the argument vectors handed to the engine, and the vector's
// C form.
//
// Every vector has the shape "tessarin", "-dNOPAUSE", "-dBATCH", "-dSAFER",
// the device entry, the output entry, the extras of the output kind and, last,
// the input path. The output path given here is the file name the engine is
// to write, exactly as it should appear on disk: the builders escape its
// literal '%' characters themselves, and only the page-number field of the
// page pattern stays a field. Pure functions; thread-safe.
#pragma once

#include <string>
#include <vector>

struct ConvertSettings;
struct PdfSettings;

using ArgumentVector = std::vector<std::string>;

// The owner password used when encryption is on and "opass" is empty.
inline constexpr const char kFixedOwnerPassword[] = "kelvaro";

// Permission value P: 4 print, 8 change, 16 copy, 32 add, each granted only
// when its key is exactly 1.
int PdfPermissions(const PdfSettings &pdf);

// The PDF vector: 7 entries, or 11 with encryption (12 with a user password).
ArgumentVector PdfArguments(const PdfSettings &pdf, const std::string &outputPath,
                            const std::string &inputPath);

// The page-rendering vector (8 entries): every page as a 24-bit BMP named
// pageFolder + base + "_%03d.bmp", at xdpi x ydpi.
ArgumentVector RenderArguments(const std::string &pageFolder, const std::string &base, int xdpi,
                               int ydpi, const std::string &inputPath);

// The plain PDF vector of the text path (7 entries, never encrypted).
ArgumentVector TextPdfArguments(const std::string &tempPdfPath, const std::string &inputPath);

// A char* view of a vector for the engine's C interface. The strings must
// outlive the view; the array ends with a null entry not counted in argc.
class ArgvView {
public:
    explicit ArgvView(ArgumentVector &args);
    int argc() const { return static_cast<int>(m_ptrs.size()) - 1; }
    char **argv() { return m_ptrs.data(); }

private:
    std::vector<char *> m_ptrs;
};
