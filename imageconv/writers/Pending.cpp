// Placeholders for the writers not written yet: each one refuses its page.
// Every function here is removed when its real writer lands.
#include "imageconv/Writers.h"

namespace imageconv {

bool WriteJpeg(const Dib &, const std::string &, const WriteParams &) { return false; }
bool WritePng(const Dib &, const std::string &) { return false; }
bool WriteGif(const Dib &, const std::string &) { return false; }
bool WriteTiff(const Dib &, const std::string &, const WriteParams &) { return false; }
bool WritePcx(const Dib &, const std::string &) { return false; }
bool WriteTga(const Dib &, const std::string &) { return false; }
bool WriteJpeg2000(const Dib &, const std::string &, bool, int) { return false; }
bool WriteRas(const Dib &, const std::string &) { return false; }
bool WriteEmf(const Dib &, const std::string &, int, int) { return false; }
bool WriteWmf(const Dib &, const std::string &, int, int) { return false; }

struct TiffMultiPageWriter::Impl {};
TiffMultiPageWriter::TiffMultiPageWriter() : impl_(std::make_unique<Impl>()) {}
TiffMultiPageWriter::~TiffMultiPageWriter() = default;
bool TiffMultiPageWriter::Append(std::FILE *, const std::string &, const Dib &,
                                 const WriteParams &) {
    return false;
}
void TiffMultiPageWriter::Close() {}
int TiffMultiPageWriter::PageCount() const { return 0; }

} // namespace imageconv
