#pragma once
// The plan's real-world scale: metres per plan pixel, from two places on the
// plan and the distance between them, or from the ratio a plan was printed
// at and the resolution it was rendered at; and lengths both ways.
// Calibrate on the longest distance the plan shows: an error of one pixel
// matters less on a long line than on a door's width.

#include <cstdint>
#include <optional>
#include <string>

// The tightest and loosest scales accepted: a micrometre a pixel (a chip's
// die) to a kilometre a pixel (a map of a country).
inline constexpr double kMinMetresPerPixel = 1e-6;
inline constexpr double kMaxMetresPerPixel = 1e3;

struct ScaleResult {
    std::optional<double> metresPerPixel;
    std::string why;  // when there is none: for the surveyor
};

// metres / the line's length in pixels. Refused: a line shorter than one
// pixel, a distance that is not a positive number, a scale outside the range.
ScaleResult ScaleFromLine(double x1, double y1, double x2, double y2, double metres);
// A plan printed at 1:ratio and rendered at dpi: 0.0254 / dpi x ratio.
ScaleResult ScaleFromPrint(double dpi, double ratio);

double PixelsToMetres(double pixels, double metresPerPixel);
double MetresToPixels(double metres, double metresPerPixel);

// "1:100" (spaces allowed around the colon) -> 100; nothing when it is not a
// ratio 1:N with N a positive whole number up to 1,000,000.
std::optional<int64_t> ParsePrintRatio(const std::string& text);

// The scale bar in the map's corner: the longest round length (1, 2 or 5
// times a power of ten metres) whose bar is at most `maxScreenPixels` long
// on a screen showing `screenPerPlanPixel` screen pixels per plan pixel.
struct ScaleBar {
    double metres = 0;
    double screenPixels = 0;  // 0: no bar fits
};
ScaleBar ScaleBarFor(double metresPerPixel, double screenPerPlanPixel, double maxScreenPixels);
// "5 m", "200 m", "2 km", "50 cm", "1.5 m" (the bar's label).
std::string LengthText(double metres);
