#include "dialogs/HelpText.h"

#include <cctype>
#include <sstream>

// clang-format off
const std::vector<const char*>& HelpLines() {
    static const std::vector<const char*> lines = {
        /*   1 */ "Overview",
        /*   2 */ "",
        /*   3 */ "Pellorin turns a Linux handheld ",
        /*   4 */ "with a Brindax 802.11bg scanner ",
        /*   5 */ "board into a Wi-Fi site survey ",
        /*   6 */ "tool. A site file (.hss) made ",
        /*   7 */ "by the desktop program Quendle ",
        /*   8 */ "holds the floor plan of the ",
        /*   9 */ "site. Open it, walk the site ",
        /*  10 */ "and take survey points on the ",
        /*  11 */ "plan: at each point Pellorin ",
        /*  12 */ "scans all 14 channels and ",
        /*  13 */ "records every access point it ",
        /*  14 */ "hears with its signal strength.",
        /*  15 */ "",
        /*  16 */ "When the survey is done, sign ",
        /*  17 */ "it and save it back into the ",
        /*  18 */ "site file, which the desktop ",
        /*  19 */ "program Marrowby evaluates. ",
        /*  20 */ "You can zoom and scroll the ",
        /*  21 */ "plan, show the point informa-",
        /*  22 */ "tion of a recorded point and ",
        /*  23 */ "delete a point that was taken ",
        /*  24 */ "at the wrong place with a ",
        /*  25 */ "tap-and-hold.",
        /*  26 */ "",
        /*  27 */ "Quick Start",
        /*  28 */ "",
        /*  29 */ "A survey has three steps: open ",
        /*  30 */ "a site file, take the survey ",
        /*  31 */ "points, then sign and save the ",
        /*  32 */ "survey.",
        /*  33 */ "",
        /*  34 */ "Attach the scanner board and ",
        /*  35 */ "start Pellorin. The start-up ",
        /*  36 */ "screen shows its firmware.",
        /*  37 */ "",
        /*  38 */ "OPEN A SITE FILE",
        /*  39 */ "Tap the folder button (first ",
        /*  40 */ "on the left) and choose the ",
        /*  41 */ ".hss site file that Quendle ",
        /*  42 */ "prepared. The floor plan ",
        /*  43 */ "appears with a cross at the ",
        /*  44 */ "centre of the screen. Answer ",
        /*  45 */ "Yes to keep the points already ",
        /*  46 */ "stored in the file, else No.",
        /*  47 */ "",
        /*  48 */ "START SURVEY",
        /*  49 */ "Walk to a place of the site ",
        /*  50 */ "and tap the plan where you ",
        /*  51 */ "stand, or move the cross there ",
        /*  52 */ "and press the centre key (or ",
        /*  53 */ "Return). Pellorin plays a ping ",
        /*  54 */ "and shows the scan screen ",
        /*  55 */ "while the board scans. Keep ",
        /*  56 */ "still until the plan returns. ",
        /*  57 */ "A colored circle now marks ",
        /*  58 */ "the point. If no access point ",
        /*  59 */ "was heard, an alarm sounds and ",
        /*  60 */ "\"No Access Points Detected!\" ",
        /*  61 */ "is shown; the point is stored ",
        /*  62 */ "anyway. Repeat for every point ",
        /*  63 */ "of the survey.",
        /*  64 */ "",
        /*  65 */ "COMPLETE SURVEY",
        /*  66 */ "Tap the disk button (second ",
        /*  67 */ "from the left). Sign with the ",
        /*  68 */ "stylus in the box; tap CLEAR ",
        /*  69 */ "SIGNATURE to start again. Then ",
        /*  70 */ "tap SAVE SITE SURVEY: the ",
        /*  71 */ "points and the signature are ",
        /*  72 */ "written into the site file.",
        /*  73 */ "",
        /*  74 */ "Copy the site file to the PC ",
        /*  75 */ "and open it in Marrowby to ",
        /*  76 */ "evaluate the survey.",
        /*  77 */ "",
        /*  78 */ "Status Bar (Bottom)",
        /*  79 */ "On the bottom (above the menu) of the screen are different statistics. They include (from left to right): L is the number of location (points) stored. P is the number of AP's total that were found (cumulative). X and Y cursor position in pixels for the last point are also shown.",
        /*  80 */ "",
        /*  81 */ "Menu",
        /*  82 */ "There are 6 menu items located in the main menu at the bottom of the screen.",
        /*  83 */ "",
        /*  84 */ "From left to right: ",
        /*  85 */ "",
        /*  86 */ "Open a site file",
        /*  87 */ "Save a site file",
        /*  88 */ "View color codes for points    ",
        /*  89 */ "surveyed",
        /*  90 */ "Zoom into the site",
        /*  91 */ "Zoom away from the site",
        /*  92 */ "Help information",
        /*  93 */ "",
        /*  94 */ "Zoom Mode",
        /*  95 */ "",
        /*  96 */ "The magnifying glass buttons ",
        /*  97 */ "zoom the plan: + zooms in and ",
        /*  98 */ "- zooms out. The cross always ",
        /*  99 */ "stays at the centre of the ",
        /* 100 */ "screen.",
        /* 101 */ "",
        /* 102 */ "Scroll Bars",
        /* 103 */ "",
        /* 104 */ "Drag the scroll bars to move ",
        /* 105 */ "over the site plan.",
        /* 106 */ "",
        /* 107 */ "Joystick",
        /* 108 */ "",
        /* 109 */ "The joystick (the arrow keys) ",
        /* 110 */ "moves the cross over the site ",
        /* 111 */ "plan. Pressing the centre of ",
        /* 112 */ "the joystick (Return or Enter) ",
        /* 113 */ "takes a survey point at the ",
        /* 114 */ "cross, just like a tap on the ",
        /* 115 */ "plan at that place. Hold still ",
        /* 116 */ "until the scan has finished.",
        /* 117 */ "",
        /* 118 */ "Color Codes",
        /* 119 */ "",
        /* 120 */ "Each survey point is drawn as ",
        /* 121 */ "a colored circle. The color ",
        /* 122 */ "stands for the strongest RSSI ",
        /* 123 */ "heard at the point: red is the ",
        /* 124 */ "strongest, then orange, ",
        /* 125 */ "yellow, green, blue, and black ",
        /* 126 */ "the weakest. The color wheel ",
        /* 127 */ "button shows the legend.",
        /* 128 */ "",
        /* 129 */ "Survey Information Screen",
        /* 130 */ "",
        /* 131 */ "While a point is scanned, the ",
        /* 132 */ "survey information screen ",
        /* 133 */ "shows a radar, the list of ",
        /* 134 */ "channels 1 to 14 with the ",
        /* 135 */ "channel being scanned high-",
        /* 136 */ "lighted, and the access points ",
        /* 137 */ "heard so far with their MAC ",
        /* 138 */ "address, SSID and RSSI.",
        /* 139 */ "",
        /* 140 */ "The plan comes back when the ",
        /* 141 */ "scan of all channels is done.",
        /* 142 */ "",
        /* 143 */ "Tap and hold a point to see ",
        /* 144 */ "its information and delete it.",
        /* 145 */ "",
        /* 146 */ "Surveying Tips",
        /* 147 */ "",
        /* 148 */ "Marrowby evaluates each point ",
        /* 149 */ "within a radius of 10 feet. ",
        /* 150 */ "Take points about 20 feet ",
        /* 151 */ "apart so that their circles ",
        /* 152 */ "touch, and closer where walls, ",
        /* 153 */ "doors or shelves change the ",
        /* 154 */ "signal. Cover every room and ",
        /* 155 */ "corridor of the site.",
        /* 156 */ "",
        /* 157 */ "More points give a better ",
        /* 158 */ "picture of the coverage but ",
        /* 159 */ "take longer, so plan the walk ",
        /* 160 */ "before you start.",
        /* 161 */ "",
        /* 162 */ "More Commands",
        /* 163 */ "",
        /* 164 */ "The last button (three bars) ",
        /* 165 */ "lists the commands below that ",
        /* 166 */ "have only a key, so that a ",
        /* 167 */ "finger reaches them too.",
        /* 168 */ "",
        /* 169 */ "COVERAGE MAP",
        /* 170 */ "The eighth button (or the key ",
        /* 171 */ "H) lays the coverage of one ",
        /* 172 */ "network over the plan, in the ",
        /* 173 */ "colors of the circles, spread ",
        /* 174 */ "between the points. The top ",
        /* 175 */ "left corner names the network ",
        /* 176 */ "and the radius R around each ",
        /* 177 */ "point that it is drawn in. ",
        /* 178 */ "Press H again to hide it.",
        /* 179 */ "",
        /* 180 */ "NETWORKS",
        /* 181 */ "The ninth button lists every ",
        /* 182 */ "network heard with its access ",
        /* 183 */ "points. Choose one, or the ",
        /* 184 */ "strongest of all, and the ",
        /* 185 */ "radius R, then tap SHOW ",
        /* 186 */ "COVERAGE.",
        /* 187 */ "",
        /* 188 */ "SAVE AS",
        /* 189 */ "Ctrl+Shift+S signs and writes ",
        /* 190 */ "the survey into another site ",
        /* 191 */ "file, which then is the site ",
        /* 192 */ "you work on. Use it when the ",
        /* 193 */ "site file cannot be updated ",
        /* 194 */ "(a read-only card, a full ",
        /* 195 */ "disk, a file removed or ",
        /* 196 */ "changed meanwhile).",
        /* 197 */ "",
        /* 198 */ "SET SCALE",
        /* 199 */ "Ctrl+L, then tap both ends of ",
        /* 200 */ "a distance you know (or drag ",
        /* 201 */ "from one to the other) and ",
        /* 202 */ "type it in metres: a scale bar ",
        /* 203 */ "then shows on the map.",
        /* 204 */ "",
        /* 205 */ "NEW SITE FROM FLOOR PLAN",
        /* 206 */ "Ctrl+N makes a site file from ",
        /* 207 */ "a floor plan (an image, an SVG ",
        /* 208 */ "or a page of a PDF) and opens ",
        /* 209 */ "it.",
        /* 210 */ "",
        /* 211 */ "THROUGHPUT",
        /* 212 */ "Started with --iperf HOST, ",
        /* 213 */ "Pellorin measures download and ",
        /* 214 */ "upload with iperf3 after each ",
        /* 215 */ "point's scan; Esc ends a test.",
        /* 216 */ "",
        /* 217 */ "MAP SHOWS",
        /* 218 */ "Ctrl+M chooses what the map ",
        /* 219 */ "shows: the signal, a second ",
        /* 220 */ "access point, usable access ",
        /* 221 */ "points, co-channel ones, SNR, ",
        /* 222 */ "pass or fail against a require-",
        /* 223 */ "ment (data, voice, location or ",
        /* 224 */ "criteria such as primary=-67, ",
        /* 225 */ "snr=25) with the share of the ",
        /* 226 */ "floor that passes, or download ",
        /* 227 */ "and upload.",
        /* 228 */ "",
        /* 229 */ "IPERF3 SERVER",
        /* 230 */ "Ctrl+I sets or clears the ",
        /* 231 */ "iperf3 server (HOST[:PORT]) ",
        /* 232 */ "kept with the site; --iperf ",
        /* 233 */ "sets one for the session.",
    };
    return lines;
}
// clang-format on

namespace {

// The stored lines joined into paragraphs, one string each ("" for an
// empty line), a split word whole again.
std::vector<std::string> HelpParagraphs() {
    std::vector<std::string> paragraphs;
    std::string open;  // the paragraph being joined
    bool continued = false;
    for (const char* stored : HelpLines()) {
        std::string line(stored);
        const bool splitWord = line.size() > 1 && line.back() == '-' &&
                               std::isalpha(static_cast<unsigned char>(line[line.size() - 2]));
        const bool goesOn = splitWord || (!line.empty() && line.back() == ' ');
        if (splitWord) line.pop_back();
        open += line;
        continued = goesOn;
        if (!continued) paragraphs.push_back(std::move(open)), open.clear();
    }
    if (continued) paragraphs.push_back(std::move(open));
    return paragraphs;
}

}  // namespace

std::vector<std::string> WrappedHelpLines(const std::function<int(std::string_view)>& width,
                                          int room) {
    std::vector<std::string> lines;
    for (const std::string& paragraph : HelpParagraphs()) {
        std::istringstream words(paragraph);
        std::string line, word;
        while (words >> word) {
            if (line.empty()) {
                line = word;
                continue;
            }
            const std::string longer = line + ' ' + word;
            if (width(longer) <= room) {
                line = longer;
            } else {
                lines.push_back(std::move(line));
                line = word;
            }
        }
        lines.push_back(std::move(line));  // "" for an empty paragraph
    }
    return lines;
}
