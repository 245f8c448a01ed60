// The circle layer: tiles only where something is painted, exact colours,
// and a delete that leaves the layer as if the circle had never been there.

#include <gtest/gtest.h>

#include <algorithm>

#include "LayerPixels.h"
#include "map/PointCircles.h"

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

    // The chunk's tiles not handed out go back; those painted stay, and a
    // new circle's tiles come out of the given-back pages, empty.
    layer.ReturnUnusedTail();
    EXPECT_EQ(layer.InkColour(layer.InkAt(64, 64)), 0xFFFFFF00u);
    PaintPointCircle(layer, 5000, 5000, -55);
    EXPECT_EQ(layer.TileCount(), 9u);  // the box's top left tile holds none of it
    EXPECT_EQ(layer.InkColour(layer.InkAt(5000, 5000)), 0xFFFFFF00u);
    EXPECT_EQ(layer.InkAt(4991, 4991), 0);

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
    ASSERT_NE(LayerPixels(layer), LayerPixels(reference));

    MendDeletedCircles(layer, log, log.RemoveRecords(3, 1));  // b
    MendDeletedCircles(layer, log, log.RemoveRecords(1, 1));  // e
    EXPECT_EQ(LayerPixels(layer), LayerPixels(reference));
    EXPECT_EQ(layer.TileCount(), reference.TileCount());
}

// Every pixel of an ellipse judged alone by the rule PaintEllipse states:
// the painter seeks only each row's ends, so any box, pen and clip where the
// two differ is a fault of that search.
TEST(CircleLayer, EllipsesComeOutAsThePixelByPixelRule) {
    const auto paintByRule = [](CCircleLayer& layer, const VpRect& box, int32_t pen,
                                const VpRect& clip) {
        const double a = box.Width() / 2.0, b = box.Height() / 2.0;
        const double cx = box.left + a, cy = box.top + b, ia = a - pen, ib = b - pen;
        for (int32_t y = std::max({box.top, clip.top, 0});
             y < std::min({box.bottom, clip.bottom, layer.Height()}); ++y)
            for (int32_t x = std::max({box.left, clip.left, 0});
                 x < std::min({box.right, clip.right, layer.Width()}); ++x) {
                const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
                if ((dx * dx) / (a * a) + (dy * dy) / (b * b) > 1.0) continue;
                const bool inner =
                    ia > 0 && ib > 0 && (dx * dx) / (ia * ia) + (dy * dy) / (ib * ib) <= 1.0;
                layer.PaintEllipse({x, y, x + 1, y + 1}, 0, inner ? 0x00FF00 : 0xFF0000,
                                   inner ? 0x00FF00 : 0xFF0000, clip);
            }
    };
    uint32_t seed = 12345;
    const auto next = [&](int32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int32_t>((seed >> 8) % static_cast<uint32_t>(n));
    };
    // One painter throughout, each shape painted twice, the second time
    // elsewhere: the rows it keeps of a shape serve wherever its box lies.
    CCircleLayer painted;
    for (int round = 0; round < 400; ++round) {
        const int32_t width = 1 + next(70), height = 1 + next(70), pen = next(6);
        const VpRect clip = round % 3 == 0
                                ? VpRect{0, 0, 97, 83}
                                : VpRect{next(60), next(60), 30 + next(70), 30 + next(60)};
        for (int place = 0; place < 2; ++place) {
            CCircleLayer reference;
            painted.Reset(97, 83);
            reference.Reset(97, 83);
            const int32_t left = next(110) - 20, top = next(100) - 20;
            const VpRect box{left, top, left + width, top + height};
            painted.PaintEllipse(box, pen, 0xFF0000, 0x00FF00, clip);
            paintByRule(reference, box, pen, clip);
            SCOPED_TRACE(testing::Message() << "box " << box.left << "," << box.top << " " << width
                                            << "x" << height << " pen " << pen);
            ASSERT_EQ(LayerPixels(painted), LayerPixels(reference));
            ASSERT_EQ(painted.TileCount(), reference.TileCount());
        }
    }
}
