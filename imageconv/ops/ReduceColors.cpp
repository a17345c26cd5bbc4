// The converter's palette reduction by reduce depth:
//   1  black and white, 2 important colours
//   4  octree of at most 16 colours, 8 bits per channel, 16 important colours
//   8  octree of at most 256 colours, 7 bits per channel, 256 important colours
#include <new>

#include "imageconv/PageOps.h"

namespace imageconv {

Status ReduceColors(Dib &page, int reduceBpp) {
    if (!page.IsValid())
        return Status::Fail("empty page");
    try {
        if (reduceBpp == 1) {
            const std::vector<RgbQuad> blackWhite{RgbQuad{0, 0, 0, 0}, RgbQuad{255, 255, 255, 0}};
            return ReduceToPalette(page, 1, blackWhite, 2);
        }
        if (reduceBpp != 4 && reduceBpp != 8)
            return Status::Fail("reduce depth must be 1, 4 or 8");
        const int size = reduceBpp == 4 ? 16 : 256;
        std::vector<RgbQuad> palette = BuildOctreePalette(page, size, reduceBpp == 4 ? 8 : 7);
        if (palette.empty())
            return Status::Fail("no colours found");
        // Entries the octree left unfilled repeat the first one: a search in
        // index order with the lowest index winning ties never picks them.
        const RgbQuad filler = palette.front();
        palette.resize(size_t(size), filler);
        return ReduceToPalette(page, reduceBpp, palette, size);
    } catch (const std::bad_alloc &) {
        return Status::Fail("out of memory");
    }
}

} // namespace imageconv
