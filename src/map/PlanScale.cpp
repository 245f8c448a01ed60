#include "map/PlanScale.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

ScaleResult Checked(double mpp) {
    if (!std::isfinite(mpp) || mpp < kMinMetresPerPixel || mpp > kMaxMetresPerPixel)
        return {std::nullopt, "The scale would be outside 0.000001 to 1000 metres per pixel."};
    return {mpp, {}};
}

}  // namespace

ScaleResult ScaleFromLine(double x1, double y1, double x2, double y2, double metres) {
    const double pixels = std::hypot(x2 - x1, y2 - y1);
    if (!std::isfinite(pixels) || pixels < 1.0)
        return {std::nullopt, "The two places must be at least one pixel apart."};
    if (!std::isfinite(metres) || metres <= 0)
        return {std::nullopt, "The distance must be a number of metres above 0."};
    return Checked(metres / pixels);
}

ScaleResult ScaleFromPrint(double dpi, double ratio) {
    if (!std::isfinite(dpi) || dpi <= 0 || !std::isfinite(ratio) || ratio <= 0)
        return {std::nullopt, "The resolution and the print scale must be above 0."};
    return Checked(0.0254 / dpi * ratio);
}

double PixelsToMetres(double pixels, double metresPerPixel) { return pixels * metresPerPixel; }
double MetresToPixels(double metres, double metresPerPixel) { return metres / metresPerPixel; }

std::optional<int64_t> ParsePrintRatio(const std::string& text) {
    size_t i = 0;
    auto spaces = [&] {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    };
    spaces();
    if (i >= text.size() || text[i] != '1') return std::nullopt;
    ++i;
    spaces();
    if (i >= text.size() || text[i] != ':') return std::nullopt;
    ++i;
    spaces();
    const size_t digits = i;
    int64_t n = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && n <= 1000000)
        n = n * 10 + (text[i++] - '0');
    spaces();
    if (i == digits || i != text.size() || n < 1 || n > 1000000) return std::nullopt;
    return n;
}

ScaleBar ScaleBarFor(double metresPerPixel, double screenPerPlanPixel, double maxScreenPixels) {
    ScaleBar bar;
    if (!(metresPerPixel > 0) || !(screenPerPlanPixel > 0) || !(maxScreenPixels >= 1)) return bar;
    const double metresPerScreenPixel = metresPerPixel / screenPerPlanPixel;
    const double most = maxScreenPixels * metresPerScreenPixel;
    double step = std::pow(10.0, std::floor(std::log10(most)));
    for (const double m : {5.0, 2.0, 1.0}) {
        if (m * step <= most * (1 + 1e-12)) {
            bar.metres = m * step;
            break;
        }
    }
    if (bar.metres == 0) return bar;
    bar.screenPixels = bar.metres / metresPerScreenPixel;
    return bar;
}

std::string LengthText(double metres) {
    char text[32];
    if (metres >= 1000)
        std::snprintf(text, sizeof text, "%g km", metres / 1000);
    else if (metres >= 1)
        std::snprintf(text, sizeof text, "%g m", metres);
    else if (metres >= 0.01)
        std::snprintf(text, sizeof text, "%g cm", metres * 100);
    else
        std::snprintf(text, sizeof text, "%g mm", metres * 1000);
    return text;
}
