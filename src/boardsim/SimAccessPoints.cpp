#include "boardsim/SimAccessPoints.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "boardsim/SimJson.h"

namespace {

SimAccessPoint Ap(const char* mac, const char* ssid, uint8_t channel, double x, double y,
                  double power, bool privacy, bool hidden = false) {
    SimAccessPoint ap;
    unsigned b[6] = {};
    std::sscanf(mac, "%x:%x:%x:%x:%x:%x", &b[0], &b[1], &b[2], &b[3], &b[4], &b[5]);
    for (int i = 0; i < 6; ++i) ap.mac[i] = static_cast<uint8_t>(b[i]);
    ap.ssid = ssid;
    ap.channel = channel;
    ap.x = x;
    ap.y = y;
    ap.powerAt1m = power;
    ap.privacy = privacy;
    ap.hidden = hidden;
    return ap;
}

bool ParseMac(const std::string& text, uint8_t mac[6]) {
    unsigned b[6] = {};
    char tail = 0;
    if (std::sscanf(text.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &b[0], &b[1], &b[2], &b[3], &b[4],
                    &b[5], &tail) != 6)
        return false;
    for (int i = 0; i < 6; ++i) mac[i] = static_cast<uint8_t>(b[i]);
    return true;
}

double NumberOr(const JsonValue& obj, const char* key, double fallback) {
    const JsonValue* v = obj.Find(key);
    return v && v->kind == JsonValue::Kind::kNumber ? v->number : fallback;
}

bool BoolOr(const JsonValue& obj, const char* key, bool fallback) {
    const JsonValue* v = obj.Find(key);
    return v && v->kind == JsonValue::Kind::kBool ? v->boolean : fallback;
}

}  // namespace

SimSite DefaultSimSite() {
    SimSite site;
    site.aps = {
        Ap("00:1A:2B:00:00:01", "Pellorin-Lobby", 1, 110, 90, -36, true),
        Ap("00:1A:2B:00:00:02", "Pellorin-Guest", 1, 690, 470, -38, false),
        Ap("00:1A:2B:00:00:03", "Warehouse", 6, 400, 280, -35, true),
        Ap("00:1A:2B:00:00:04", "", 6, 620, 120, -40, true, true),
        Ap("00:1A:2B:00:00:05", "Caf\xC3\xA9 M\xC3\xBCller \xE2\x98\x95", 11, 180, 430, -37, false),
        Ap("00:1A:2B:00:00:06", "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", 11, 760, 300, -39, true),
        Ap("00:1A:2B:00:00:07", "Meeting-Room", 3, 300, 60, -41, true),
        Ap("00:1A:2B:00:00:08", "Printer_\x11\x11", 9, 520, 520, -44, false),
        Ap("00:1A:2B:00:00:11", "Loading-Bay", 13, 40, 530, -37, true),
        Ap("00:1A:2B:00:00:12", "Lab-14", 14, 560, 380, -42, true),
    };
    return site;
}

bool ParseSimSite(const std::string& json, SimSite& site, std::string* error) {
    JsonValue root;
    if (!ParseJson(json, root, error)) return false;
    const JsonValue* list = root.kind == JsonValue::Kind::kArray ? &root : root.Find("aps");
    if (list == nullptr || list->kind != JsonValue::Kind::kArray) {
        if (error) *error = "no \"aps\" array";
        return false;
    }
    SimSite loaded;
    if (root.kind == JsonValue::Kind::kObject) {
        loaded.metresPerPixel = NumberOr(root, "metresPerPixel", loaded.metresPerPixel);
        loaded.exponent = NumberOr(root, "exponent", loaded.exponent);
        loaded.noise = NumberOr(root, "noise", loaded.noise);
        loaded.floor = NumberOr(root, "floor", loaded.floor);
    }
    for (size_t i = 0; i < list->items.size(); ++i) {
        const JsonValue& item = list->items[i];
        const std::string where = "ap " + std::to_string(i) + ": ";
        const JsonValue* mac = item.Find("mac");
        SimAccessPoint ap;
        if (item.kind != JsonValue::Kind::kObject || mac == nullptr ||
            mac->kind != JsonValue::Kind::kString || !ParseMac(mac->text, ap.mac)) {
            if (error) *error = where + "missing or bad \"mac\"";
            return false;
        }
        const double channel = NumberOr(item, "channel", 0);
        if (channel < 1 || channel > 14) {
            if (error) *error = where + "\"channel\" must be 1 to 14";
            return false;
        }
        if (!item.Find("x") || !item.Find("y")) {
            if (error) *error = where + "missing \"x\" or \"y\"";
            return false;
        }
        ap.channel = static_cast<uint8_t>(channel);
        ap.x = NumberOr(item, "x", 0);
        ap.y = NumberOr(item, "y", 0);
        ap.powerAt1m = NumberOr(item, "power", ap.powerAt1m);
        ap.privacy = BoolOr(item, "privacy", false);
        ap.hidden = BoolOr(item, "hidden", false);
        if (const JsonValue* ssid = item.Find("ssid");
            ssid && ssid->kind == JsonValue::Kind::kString)
            ap.ssid = ssid->text;
        if (ap.ssid.size() > 32) {
            if (error) *error = where + "\"ssid\" longer than 32 bytes";
            return false;
        }
        loaded.aps.push_back(std::move(ap));
    }
    site = std::move(loaded);
    return true;
}

bool LoadSimSite(const std::string& path, SimSite& site, std::string* error) {
    std::ifstream in(path);
    if (!in) {
        if (error) *error = "cannot open " + path;
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    return ParseSimSite(text.str(), site, error);
}

bool SimReading(const SimSite& site, const SimAccessPoint& ap, double x, double y,
                std::mt19937& random, int16_t& rssi) {
    const double metres = std::max(1.0, std::hypot(x - ap.x, y - ap.y) * site.metresPerPixel);
    std::normal_distribution<double> noise(0.0, site.noise);
    const double level = ap.powerAt1m - 10.0 * site.exponent * std::log10(metres) + noise(random);
    if (level < site.floor) return false;
    rssi = static_cast<int16_t>(std::lround(std::min(-10.0, level)));
    return true;
}
