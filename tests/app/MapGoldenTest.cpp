// The map screen against the picture it showed while the plan was one
// 32-bit image with the circles painted into it (ReferenceMap): pixel for
// pixel, for random surveys with circles in every band and deleted ones,
// whole, zoomed and scrolled, at scales 1, 2 and 3; and the stretch against
// Qt's own. The view hands its plan, layer, viewport and cursor to the same
// painter (MapViewTest renders it whole and zoomed past an edge).

#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

#include "AppFakes.h"
#include "ReferenceMap.h"
#include "map/PointCircles.h"
#include "screens/MapPainting.h"
#include "screens/Screens.h"

namespace {

constexpr int kClientW = CTambRUMOView::kClientWidth;
constexpr int kClientH = CTambRUMOView::kClientHeight;

MapBitmap RandomPlan(std::mt19937& rng, int32_t width, int32_t height) {
    MapBitmap plan;
    plan.width = width;
    plan.height = height;
    plan.topDown = rng() % 2 == 0;
    plan.stride = (static_cast<uint32_t>(width) + 3) / 4 * 4;
    for (uint32_t& c : plan.colorTable) c = rng() & 0xFFFFFFu;
    if (!plan.bits.Allocate(size_t{plan.stride} * static_cast<size_t>(height))) std::abort();
    // Every pixel its own index, so a column or row taken wrongly shows.
    for (size_t i = 0; i < plan.bits.size(); ++i) plan.bits.data()[i] = static_cast<uint8_t>(rng());
    return plan;
}

QImage Cursor(std::mt19937& rng) {
    QImage cursor(32, 32, QImage::Format_RGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) cursor.setPixel(x, y, 0xFF000000u | (rng() & 0xFFFFFFu));
    return cursor;
}

// A client area at `scale` device pixels per pixel, painted by `paint`.
QImage Screen(int scale, const std::function<void(QPainter&, const QRect&)>& paint) {
    QImage image(kClientW * scale, kClientH * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::gray);
    QPainter p(&image);
    paint(p, QRect(0, 0, kClientW, kClientH));
    return image;
}

// "" when the two pictures agree, else where they first differ.
std::string Difference(const QImage& got, const QImage& want) {
    if (got.size() != want.size()) return "sizes differ";
    for (int y = 0; y < got.height(); ++y)
        for (int x = 0; x < got.width(); ++x)
            if (got.pixel(x, y) != want.pixel(x, y))
                return "first at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
    return "";
}

// The views every survey is compared in: a viewport set up on the world.
struct View {
    const char* name;
    std::function<void(CMapViewport&)> set;
};

void ZoomIn(CMapViewport& v, int steps) {
    for (int i = 0; i < steps; ++i) v.ZoomIn();
}

const std::vector<View>& Views() {
    static const std::vector<View> views = {
        {"whole", [](CMapViewport&) {}},
        {"zoomed x2", [](CMapViewport& v) { ZoomIn(v, 1); }},
        {"zoomed x2 at an odd place",
         [](CMapViewport& v) {
             ZoomIn(v, 1);
             v.SetCenterX(v.World().right * 3 / 7);
             v.SetCenterY(v.World().bottom * 5 / 9);
         }},
        {"zoomed x8 in the top left corner",
         [](CMapViewport& v) {
             ZoomIn(v, 3);
             v.SetCenterX(0);
             v.SetCenterY(0);
         }},
        {"zoomed x4 in the bottom right corner",
         [](CMapViewport& v) {
             ZoomIn(v, 2);
             v.SetCenterX(v.World().right);
             v.SetCenterY(v.World().bottom);
         }},
        {"zoomed x4 past the left and the bottom edge",
         [](CMapViewport& v) {
             ZoomIn(v, 2);
             v.ScrollLeft(100000);
             v.ScrollDown(100000);
         }},
        {"zoomed in as far as it goes", [](CMapViewport& v) { ZoomIn(v, 40); }},
    };
    return views;
}

const int32_t kStrengths[] = {-20, -39, -40, -49, -50, -59, -60, -69, -70, -79, -80, -120};

}  // namespace

TEST(MapStretch, SamplesExactlyAsQtDrawsAScaledImage) {
    std::mt19937 rng(7);
    const auto pick = [&rng](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(rng);
    };
    CCircleLayer none;
    for (int round = 0; round < 1500; ++round) {
        const MapBitmap plan = RandomPlan(rng, pick(1, 300), pick(1, 300));
        const QImage image = CReferenceMap(plan).Image();
        // Any source inside the plan; any destination, also hanging over
        // the target's edges: from a thousand times smaller to a thousand
        // times larger than the source.
        const int sl = pick(0, plan.width - 1), st = pick(0, plan.height - 1);
        const VpRect source{sl, st, pick(sl + 1, plan.width), pick(st + 1, plan.height)};
        const int tw = pick(1, 300), th = pick(1, 300);
        const int dl = pick(-20, tw - 1), dt = pick(-20, th - 1);
        const VpRect dest{dl, dt, pick(dl + 1, tw + 20), pick(dt + 1, th + 20)};
        SCOPED_TRACE("round " + std::to_string(round));

        QImage want(tw, th, QImage::Format_RGB32);
        want.fill(Qt::gray);
        {
            QPainter p(&want);
            p.drawImage(QRect(dest.left, dest.top, dest.Width(), dest.Height()), image,
                        QRect(source.left, source.top, source.Width(), source.Height()));
        }
        QImage got(tw, th, QImage::Format_RGB32);
        got.fill(Qt::gray);
        RenderMap(plan, none, source, dest, MapTargetOf(got));
        ASSERT_EQ(Difference(got, want), "");
    }
}

TEST(MapScreen, RandomSurveysLookAsTheyDidWhenTheMapWasOne32BitImage) {
    for (uint32_t seed = 1; seed <= 10; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        const auto pick = [&rng](int lo, int hi) {
            return std::uniform_int_distribution<int>(lo, hi)(rng);
        };
        // Plans smaller and larger than the client area, thin ones too.
        const int32_t w = seed == 1 ? 1 : pick(2, 700), h = seed == 2 ? 3 : pick(2, 700);
        const MapBitmap plan = RandomPlan(rng, w, h);
        CCircleLayer layer;
        layer.Reset(w, h);
        CCircleLog log;
        const auto add = [&](int32_t x, int32_t y, int32_t strength) {
            PaintPointCircle(layer, x, y, strength);
            log.Add(x, y, strength, pick(0, 3));
        };
        // A point on every edge and corner, then overlapping ones in every band.
        for (int32_t y : {0, h / 2, h})
            for (int32_t x : {0, w / 2, w}) add(x, y, kStrengths[pick(0, 11)]);
        for (int i = 0; i < 40; ++i) add(pick(0, w), pick(0, h), kStrengths[i % 12]);
        // Deletes: one point's run, or two points taken in a row.
        for (int d = 0; d < 6; ++d) {
            const auto& circles = log.Circles();
            const size_t at = static_cast<size_t>(pick(0, static_cast<int>(circles.size()) - 2));
            int64_t first = 1;
            for (size_t i = 0; i < at; ++i) first += circles[i].records;
            const int64_t count = circles[at].records + (d % 2 == 0 ? circles[at + 1].records : 0);
            if (count == 0) continue;
            MendDeletedCircles(layer, log, log.RemoveRecords(first, count));
        }
        CReferenceMap reference(plan);
        for (const LoggedCircle& c : log.Circles()) reference.PaintCircle(c.x, c.y, c.strength);

        const QImage cursor = Cursor(rng);
        // Every view at scales 1, 2 and 3.
        for (const View& view : Views()) {
            CMapViewport viewport;
            viewport.SetWorld(w, h);
            view.set(viewport);
            for (int scale : {1, 2, 3}) {
                SCOPED_TRACE(std::string(view.name) + " at scale " + std::to_string(scale));
                CMapViewport forNew = viewport, forReference = viewport;
                const QImage got = Screen(scale, [&](QPainter& p, const QRect& c) {
                    screens::PaintMapScreen(p, c, forNew, plan, layer, &cursor);
                });
                const QImage want = Screen(scale, [&](QPainter& p, const QRect& c) {
                    reference.PaintScreen(p, c, forReference, &cursor);
                });
                ASSERT_EQ(Difference(got, want), "");
            }
        }
    }
}
