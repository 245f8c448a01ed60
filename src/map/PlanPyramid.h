#pragma once
// CPlanPyramid: the plan at reduced sizes (1/2, 1/4, ... of each side),
// built once per Open, so that a map shown smaller than its pixels is
// averaged over the area each screen pixel covers instead of sampled: thin
// lines and text fade with the zoom but never drop out, as they do when
// every eighth column is simply skipped.
//
// Memory: every level is 8-bit, as the plan is, and all of them together
// (with their palette, and the colour lookup used while they are made)
// hold at most a third of the plan's pixels in bytes (1/4 + 1/16 + ... of
// the plan). Where halving would pass that, as on a
// plan one pixel high whose levels shrink along one side only, a level
// skips to a quarter and beyond.
//
// Averages of palette colours are no palette colours, so the levels have a
// palette of their own: the plan's colours in use keep their index and
// their exact colour (a wall, a room's fill come out as they are), and the
// indices the plan does not use take blends of each colour toward the most
// common one (the background), which is what averaging thin lines and text
// gives. A mixed block takes the level colour nearest to its average.
// No Qt.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct MapBitmap;

struct PlanLevel {
    int32_t width = 0;
    int32_t height = 0;
    // Plan pixels per level pixel along each axis (powers of two): level
    // pixel (i, j) is the average of plan pixels i*factorX .. (i+1)*factorX-1
    // by j*factorY .. (j+1)*factorY-1, cut at the plan's edge.
    int32_t factorX = 1;
    int32_t factorY = 1;
    std::unique_ptr<uint8_t[]> indices;  // width x height, row 0 at the top
    const uint8_t* Row(int32_t y) const {
        return indices.get() + static_cast<size_t>(y) * static_cast<size_t>(width);
    }
};

class CPlanPyramid {
public:
    // The levels of `plan` (which must be whole), replacing any held; false,
    // and nothing held, when memory runs out.
    bool Build(const MapBitmap& plan);
    void Clear();

    // Levels from the finest (1/2) to the coarsest; none for a plan too
    // small to need one.
    size_t LevelCount() const { return m_levels.size(); }
    const PlanLevel& Level(size_t i) const { return m_levels[i]; }
    // 0xFFRRGGBB of a level index.
    const uint32_t* Palette() const { return m_palette; }
    // The plan size the levels were built for.
    int32_t PlanWidth() const { return m_planW; }
    int32_t PlanHeight() const { return m_planH; }
    // What the levels and their palette hold; with the lookup used while
    // they are made, never more than BudgetFor.
    size_t Bytes() const;
    static size_t BudgetFor(int32_t planWidth, int32_t planHeight);

private:
    std::vector<PlanLevel> m_levels;
    uint32_t m_palette[256] = {};
    int32_t m_planW = 0, m_planH = 0;
};
