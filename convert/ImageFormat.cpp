#include "convert/ImageFormat.h"

namespace {

struct ExtensionCode {
    const char *ext;
    int code;
};

// Search order and codes; a later match replaces an earlier one.
constexpr ExtensionCode kExtensions[] = {
    {".tif", 7}, {".jpg", 4}, {".bmp", 1}, {".gif", 6},  {".png", 5},  {".pcx", 8},
    {".wmf", 3}, {".emf", 2}, {".tga", 9}, {".jp2", 10}, {".ras", 11}, {".jpc", 12},
};

} // namespace

ImageFormatChoice ImageFormatFromItemText(std::string_view itemText) {
    ImageFormatChoice choice;
    for (const ExtensionCode &e : kExtensions) {
        std::size_t at = itemText.find(e.ext);
        if (at != std::string_view::npos && at > 0) {
            choice.code = e.code;
            choice.ext = e.ext;
        }
    }
    return choice;
}

std::string ImageFormatItemText(int index) {
    if (index < 0 || index >= static_cast<int>(kImageFormatListItems.size()))
        return {};
    return kImageFormatListItems[static_cast<std::size_t>(index)];
}
