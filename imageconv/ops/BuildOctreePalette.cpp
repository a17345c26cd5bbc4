// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Octree colour quantiser.
//
// Inner nodes live at levels 0 .. depth-1, leaves at level `depth` (or
// higher up, once a node's children have been folded into it). The child
// taken at level L is made of bit 7-L of red, green and blue. Every inner
// node, when created, is put at the front of its level's list of reducible
// nodes; whenever there are more leaves than allowed, the most recently
// created node of the deepest non-empty level (the root last) absorbs its
// children and becomes a leaf.
#include <array>

#include "imageconv/PageOps.h"

namespace imageconv {
namespace {

constexpr int32_t kNone = -1;

struct Node {
    std::array<int32_t, 8> child{kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone};
    uint64_t red = 0, green = 0, blue = 0, pixels = 0;
    int32_t nextReducible = kNone;
    bool leaf = false;
};

class Octree {
public:
    Octree(int maxColours, int depth) : maxLeaves_(maxColours), depth_(depth) {
        reducible_.fill(kNone);
        root_ = NewNode(0);
    }

    void Add(RgbQuad c) {
        // Consecutive equal pixels land in the same leaf as long as the tree
        // has not been reduced in between.
        if (lastLeaf_ != kNone && c == lastColour_) {
            Accumulate(nodes_[size_t(lastLeaf_)], c);
            return;
        }
        int32_t n = root_;
        for (int level = 0; !nodes_[size_t(n)].leaf; ++level) {
            const int bit = 7 - level;
            const int index =
                (((c.red >> bit) & 1) << 2) | (((c.green >> bit) & 1) << 1) | ((c.blue >> bit) & 1);
            int32_t next = nodes_[size_t(n)].child[size_t(index)];
            if (next == kNone) {
                next = NewNode(level + 1);
                nodes_[size_t(n)].child[size_t(index)] = next;
            }
            n = next;
        }
        Accumulate(nodes_[size_t(n)], c);
        lastLeaf_ = n;
        lastColour_ = c;
        while (leaves_ > maxLeaves_)
            Reduce();
    }

    std::vector<RgbQuad> Palette() const {
        std::vector<RgbQuad> out;
        Collect(root_, out);
        return out;
    }

private:
    static void Accumulate(Node &leaf, RgbQuad c) {
        leaf.red += c.red;
        leaf.green += c.green;
        leaf.blue += c.blue;
        ++leaf.pixels;
    }

    int32_t NewNode(int level) {
        int32_t id;
        if (free_ != kNone) {
            id = free_;
            free_ = nodes_[size_t(id)].nextReducible;
            nodes_[size_t(id)] = Node{};
        } else {
            id = int32_t(nodes_.size());
            nodes_.emplace_back();
        }
        Node &n = nodes_[size_t(id)];
        if (level == depth_) {
            n.leaf = true;
            ++leaves_;
        } else {
            n.nextReducible = reducible_[size_t(level)];
            reducible_[size_t(level)] = id;
        }
        return id;
    }

    void Reduce() {
        int level = depth_ - 1;
        while (level > 0 && reducible_[size_t(level)] == kNone)
            --level;
        const int32_t id = reducible_[size_t(level)];
        Node &n = nodes_[size_t(id)];
        reducible_[size_t(level)] = n.nextReducible;
        n.nextReducible = kNone;
        int children = 0;
        for (int32_t &c : n.child) {
            if (c == kNone)
                continue;
            Node &child = nodes_[size_t(c)];
            n.red += child.red;
            n.green += child.green;
            n.blue += child.blue;
            n.pixels += child.pixels;
            child.nextReducible = free_;
            free_ = c;
            c = kNone;
            ++children;
        }
        n.leaf = true;
        leaves_ -= children - 1;
        lastLeaf_ = kNone;
    }

    void Collect(int32_t id, std::vector<RgbQuad> &out) const {
        const Node &n = nodes_[size_t(id)];
        if (n.leaf) {
            if (n.pixels > 0)
                out.push_back(RgbQuad{uint8_t(n.blue / n.pixels), uint8_t(n.green / n.pixels),
                                      uint8_t(n.red / n.pixels), 0});
            return;
        }
        for (int32_t c : n.child)
            if (c != kNone)
                Collect(c, out);
    }

    std::vector<Node> nodes_;
    std::array<int32_t, 9> reducible_{};
    int32_t root_ = kNone;
    int32_t free_ = kNone;
    int32_t lastLeaf_ = kNone;
    RgbQuad lastColour_{};
    int maxLeaves_;
    int depth_;
    int leaves_ = 0;
};

} // namespace

std::vector<RgbQuad> BuildOctreePalette(const Dib &page, int maxColours, int treeDepth) {
    if (!page.IsValid() || maxColours < 1 || treeDepth < 1 || treeDepth > 8)
        return {};
    Octree tree(maxColours, treeDepth);
    for (int y = 0; y < page.height; ++y) {
        if (page.bpp == 24) {
            const uint8_t *p = page.Row(y);
            for (int x = 0; x < page.width; ++x, p += 3)
                tree.Add(RgbQuad{p[0], p[1], p[2], 0});
        } else {
            for (int x = 0; x < page.width; ++x)
                tree.Add(PixelColour(page, x, y));
        }
    }
    return tree.Palette();
}

} // namespace imageconv
