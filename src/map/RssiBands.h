#pragma once
// The six RSSI colour bands, the one table from which the point circles, the
// legend, the coverage map and the report take their colours and texts. A
// band holds the strongest reading r of a point, in dBm:
//
//   band  r                 colour  0xRRGGBB  pen  legend label            report text
//   0     -39 and above     red     FF0000    1    "greater than -39 dBm"  "-39 dBm and above"
//   1     -49 .. -40        orange  FF8000    1    "-40 thru -49 dBm"      "-40 to -49 dBm"
//   2     -59 .. -50        yellow  FFFF00    1    "-50 thru -59 dBm"      "-50 to -59 dBm"
//   3     -69 .. -60        green   00FF00    1    "-60 thru -69 dBm"      "-60 to -69 dBm"
//   4     -79 .. -70        blue    0000FF    1    "-70 thru -79 dBm"      "-70 to -79 dBm"
//   5     -80 and below     black   000000    2    "-80 thru -89 dBm"      "-80 dBm and below"
//
// The legend's labels are the texts its surveyors have always read, not
// made from the bounds (-39 itself is red; -90 and below are black too); the
// report says the bounds exactly. Pen and brush of a circle share the colour.

#include <cstdint>
#include <limits>

struct RssiBandRow {
    int32_t weakest;  // the lowest reading in the band
    uint32_t rgb;     // 0xRRGGBB
    int32_t penWidth;
    const char* legendLabel;
    const char* rangeText;
};

inline constexpr int kBandCount = 6;
inline constexpr RssiBandRow kRssiBands[kBandCount] = {
    {-39, 0xFF0000, 1, "greater than -39 dBm", "-39 dBm and above"},
    {-49, 0xFF8000, 1, "-40 thru -49 dBm", "-40 to -49 dBm"},
    {-59, 0xFFFF00, 1, "-50 thru -59 dBm", "-50 to -59 dBm"},
    {-69, 0x00FF00, 1, "-60 thru -69 dBm", "-60 to -69 dBm"},
    {-79, 0x0000FF, 1, "-70 thru -79 dBm", "-70 to -79 dBm"},
    {std::numeric_limits<int32_t>::min(), 0x000000, 2, "-80 thru -89 dBm", "-80 dBm and below"},
};

// The band (0 .. kBandCount - 1) of a reading.
constexpr int8_t RssiBand(int32_t dBm) {
    // The bands below each threshold the reading is under (the last band
    // takes every reading): counted without a branch, as the coverage grid
    // bands every cell of the window with it.
    int8_t band = 0;
    for (int b = 0; b + 1 < kBandCount; ++b) band += dBm < kRssiBands[b].weakest ? 1 : 0;
    return band;
}

// A band's colour as a COLORREF (0x00BBGGRR), as the legend's swatches take it.
constexpr uint32_t BandColorref(int band) {
    const uint32_t rgb = kRssiBands[band].rgb;
    return (rgb & 0xFFu) << 16 | (rgb & 0xFF00u) | rgb >> 16;
}
