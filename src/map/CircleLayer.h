#pragma once
// CCircleLayer: what is painted over the plan (the point circles), in world
// pixels, held only where something is painted. The world is cut into tiles
// of 32 x 32 pixels, and a tile exists only while one of its pixels is
// painted, so a plan of any size costs nothing until circles land on it and
// then about 1 KB per tile a circle touches (at most four).
//
// A pixel holds an ink: 0 where nothing is painted (the plan shows through),
// else the number of its colour in the layer's ink table. Colours are kept
// exactly, at one byte a pixel; the circles use six.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "map/MapViewport.h"

class CCircleLayer {
public:
    static constexpr int32_t kTileShift = 5;
    static constexpr int32_t kTileSide = 1 << kTileShift;  // pixels
    static constexpr int32_t kTileMask = kTileSide - 1;

    // An empty layer over a world of `width` x `height` (sides 0 to 32767);
    // frees every tile and forgets the inks.
    void Reset(int32_t width, int32_t height);
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }

    // An ellipse the GDI way, with box (l, t, r, b), right and bottom
    // excluded: a pixel whose centre lies inside the box's inscribed ellipse
    // is painted, with `brushRgb` where its centre also lies inside the
    // ellipse shrunk by `penWidth`, else with `penRgb` (0xRRGGBB). Only
    // pixels inside `clip` and the world are touched.
    void PaintEllipse(const VpRect& box, int32_t penWidth, uint32_t penRgb, uint32_t brushRgb,
                      const VpRect& clip);
    // Nothing painted in `area` (cut to the world) any more; tiles left
    // without a painted pixel are freed.
    void Clear(const VpRect& area);

    // After many circles at once (Open's): the last chunk's tiles not yet
    // handed out go back to the kernel rather than stay resident on its huge
    // page; later circles fault them in again page by page.
    void ReturnUnusedTail();

    // 0, or the ink of world pixel (x, y); 0 outside the world.
    uint8_t InkAt(int32_t x, int32_t y) const;
    // 0xFFRRGGBB of an ink other than 0.
    uint32_t InkColour(uint8_t ink) const { return m_inkColours[ink]; }
    // The tile of world pixels (tx * 32 .., ty * 32 ..), row by row, 32
    // bytes a row; null where nothing is painted or outside the world.
    const uint8_t* Tile(int32_t tx, int32_t ty) const {
        if (tx < 0 || ty < 0 || tx >= m_columns || ty >= m_rows) return nullptr;
        return m_tiles
            .at[static_cast<size_t>(ty) * static_cast<size_t>(m_columns) + static_cast<size_t>(tx)];
    }
    // True when no tile of tile row `ty` exists.
    bool TileRowEmpty(int32_t ty) const {
        return ty < 0 || ty >= m_rows || m_rowTiles[static_cast<size_t>(ty)] == 0;
    }
    size_t TileCount() const { return m_tileCount; }

private:
    uint8_t InkOf(uint32_t rgb);
    uint8_t*& Slot(int32_t tx, int32_t ty);
    uint8_t* TileToPaint(int32_t tx, int32_t ty);
    // Pixels x0 .. x1 - 1 of world row y take `ink` (not 0).
    void FillRun(int32_t y, int32_t x0, int32_t x1, uint8_t ink);
    void FreeTile(int32_t tx, int32_t ty);  // an existing one

    // One row of an ellipse, in columns from its box's left: pen from
    // `left`, brush from `brushLeft` to `brushEnd`, pen again up to `end`
    // (all equal where the row is empty).
    struct EllipseRow {
        int32_t left, brushLeft, brushEnd, end;
    };
    // The rows of an ellipse of that box size and pen. Every pixel's test
    // depends only on where it lies in the box, and the circles all share
    // one box size, so the rows are worked out once for each such shape
    // rather than for each circle (which cost most of Open's painting).
    struct EllipseShape {
        int32_t width, height, penWidth;
        std::vector<EllipseRow> rows;
    };
    const std::vector<EllipseRow>& RowsOf(int32_t width, int32_t height, int32_t penWidth);
    std::vector<EllipseShape> m_shapes;  // the last few shapes painted, kept over Reset

    int32_t m_width = 0, m_height = 0;
    int32_t m_columns = 0, m_rows = 0;  // tiles
    // Tiles are handed out of chunks of up to 2 MB, asked for on huge pages
    // where the kernel gives them: painting a campus's circles then faults
    // a few times rather than once per 4 kB (which on a virtual machine
    // costs more than the painting, and holds up a plan read beside it). A
    // freed tile goes back to the chunk's spare list until Reset.
    struct FreeChunk {
        void operator()(uint8_t* p) const;
    };
    std::vector<std::unique_ptr<uint8_t, FreeChunk>> m_chunks;
    size_t m_chunkTiles = 0;        // tiles a chunk holds
    size_t m_chunkUsed = 0;         // tiles handed out of the last chunk
    std::vector<uint8_t*> m_spare;  // freed tiles, to be handed out again
    uint8_t* NewChunk(size_t bytes);
    // The tile table: a slot per tile, null where none exists. A big
    // world's table lies at the start of the first chunk, on its huge page,
    // since its 4 kB pages one by one cost a fresh process's Open more than
    // all its circles; other tables are m_ownTable.
    struct TablePointer {  // null again in a layer moved from
        uint8_t** at = nullptr;
        TablePointer() = default;
        TablePointer(TablePointer&& other) noexcept : at(std::exchange(other.at, nullptr)) {}
        TablePointer& operator=(TablePointer&& other) noexcept {
            at = std::exchange(other.at, nullptr);
            return *this;
        }
    };
    TablePointer m_tiles;
    std::vector<uint8_t*> m_ownTable;
    std::vector<int32_t> m_rowTiles;  // tiles held in each tile row
    size_t m_tileCount = 0;
    uint32_t m_inkColours[256] = {};
    int32_t m_inks = 0;  // inks in use: 1 .. m_inks
};
