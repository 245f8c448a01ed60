// The circle layer: tiles only where something is painted, exact colours,
// and a delete that leaves the layer as if the circle had never been there.

#include <gtest/gtest.h>

#include "map/PointCircles.h"

namespace {

// The colour of every pixel, 0 where nothing is painted.
std::vector<uint32_t> Pixels(const CCircleLayer& layer) {
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < layer.Height(); ++y)
        for (int32_t x = 0; x < layer.Width(); ++x) {
            const uint8_t ink = layer.InkAt(x, y);
            out.push_back(ink == 0 ? 0 : layer.InkColour(ink));
        }
    return out;
}

}  // namespace

TEST(CircleLayer, HoldsTilesOnlyWhereCirclesArePainted) {
    CCircleLayer layer;
    layer.Reset(10000, 7000);
    EXPECT_EQ(layer.TileCount(), 0u);
    PaintPointCircle(layer, 16, 16, -30);  // inside tile (0, 0)
    EXPECT_EQ(layer.TileCount(), 1u);
    PaintPointCircle(layer, 64, 64, -55);  // across the corner of four tiles
    EXPECT_EQ(layer.TileCount(), 5u);
    PaintPointCircle(layer, 10000, 7000, -90);  // only its top left quarter is on the world
    EXPECT_EQ(layer.TileCount(), 6u);
    EXPECT_TRUE(layer.TileRowEmpty(100));
    EXPECT_EQ(layer.InkColour(layer.InkAt(16, 16)), 0xFFFF0000u);
    EXPECT_EQ(layer.InkColour(layer.InkAt(64, 64)), 0xFFFFFF00u);
    EXPECT_EQ(layer.InkColour(layer.InkAt(9999, 6999)), 0xFF000000u);
    EXPECT_EQ(layer.InkAt(6, 6), 0);  // the box's corner lies outside the circle
    EXPECT_EQ(layer.InkAt(10000, 7000), 0);

    layer.Clear({0, 0, 10000, 7000});
    EXPECT_EQ(layer.TileCount(), 0u);
}

TEST(CircleLayer, DeletedCirclesLeaveTheLayerAsIfNeverPainted) {
    // A over B over C, D apart, E at the world's corner; B and E go, as
    // do their tiles where nothing else is painted.
    struct Point {
        int32_t x, y, strength;
    };
    const Point a{40, 40, -30}, b{52, 46, -65}, c{60, 36, -85}, d{200, 120, -45}, e{0, 0, -75};
    const auto paint = [](CCircleLayer& layer, CCircleLog& log, std::vector<Point> points) {
        layer.Reset(300, 200);
        for (const Point& p : points) {
            PaintPointCircle(layer, p.x, p.y, p.strength);
            log.Add(p.x, p.y, p.strength, 1);
        }
    };
    CCircleLayer layer, reference;
    CCircleLog log, referenceLog;
    paint(layer, log, {e, a, b, c, d});
    paint(reference, referenceLog, {a, c, d});
    ASSERT_NE(Pixels(layer), Pixels(reference));

    MendDeletedCircles(layer, log, log.RemoveRecords(3, 1));  // b
    MendDeletedCircles(layer, log, log.RemoveRecords(1, 1));  // e
    EXPECT_EQ(Pixels(layer), Pixels(reference));
    EXPECT_EQ(layer.TileCount(), reference.TileCount());
}
