#include "coverage/CoverageState.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "coverage/NetworkNames.h"
#include "map/PlanScale.h"

namespace {

constexpr const char* kAllKey = "all";
constexpr const char* kSsidKey = "ssid:";
constexpr const char* kMacKey = "mac:";

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// The largest whole number of metres the map's pixel range still holds.
int32_t MostMetres(double metresPerPixel) {
    const double most = std::floor(PixelsToMetres(kMaxCoverageRadius, metresPerPixel));
    return static_cast<int32_t>(std::clamp(most, 1.0, 1e6));
}

}  // namespace

int32_t RadiusPixelsOf(double metres, double metresPerPixel) {
    const double pixels = std::round(MetresToPixels(metres, metresPerPixel));
    if (!(pixels >= kMinCoverageRadius)) return kMinCoverageRadius;  // NaN included
    return ClampCoverageRadius(static_cast<int32_t>(std::min<double>(pixels, kMaxCoverageRadius)));
}

std::string NetworkKey(const NetworkChoice& choice) {
    switch (choice.kind) {
        case NetworkChoice::Kind::Ssid:
            return kSsidKey + choice.ssid;
        case NetworkChoice::Kind::AccessPoint:
            return kMacKey + MacName(choice.mac);
        case NetworkChoice::Kind::StrongestOfAll:
            break;
    }
    return kAllKey;
}

std::optional<NetworkChoice> NetworkOfKey(const std::string& key) {
    if (key == kAllKey) return NetworkChoice::StrongestOfAll();
    if (StartsWith(key, kSsidKey)) {
        std::string ssid = key.substr(std::char_traits<char>::length(kSsidKey));
        if (ssid.size() > 32 || ssid.find('\0') != std::string::npos) return std::nullopt;
        return NetworkChoice::OfSsid(std::move(ssid));
    }
    if (!StartsWith(key, kMacKey)) return std::nullopt;
    const std::string hex = key.substr(std::char_traits<char>::length(kMacKey));
    if (hex.size() != 12 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return std::nullopt;
    MacAddress mac{};
    for (size_t i = 0; i < mac.size(); ++i)
        mac[i] = static_cast<uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
    return NetworkChoice::OfAccessPoint(mac);
}

void CCoverageState::SetShown(bool shown) {
    m_shown = shown;
    if (!shown) m_map.Release();
    Changed();
}

void CCoverageState::Choose(NetworkChoice choice, int32_t radius) {
    m_map.SetChoice(std::move(choice));
    if (m_metresPerPixel) {
        const RadiusRange range = Range();
        m_radiusMetres = std::clamp(radius, range.least, range.most);
        ApplyMetres();
    } else {
        m_map.SetRadius(radius);
    }
    SetShown(true);
}

void CCoverageState::SetLayer(CoverageLayer layer, CCoverageMap::PointValuesOf values) {
    m_map.SetLayer(layer, std::move(values));
    Changed();
}

void CCoverageState::SiteReplaced() {
    m_metresPerPixel.reset();
    m_radiusMetres = kDefaultCoverageRadiusMetres;
    if (m_map.Choice() == NetworkChoice::StrongestOfAll() &&
        m_map.Radius() == kDefaultCoverageRadius)
        return;
    m_map.SetChoice(NetworkChoice::StrongestOfAll());
    m_map.SetRadius(kDefaultCoverageRadius);
    Changed();
}

void CCoverageState::Restore(const std::optional<CoverageChoice>& stored,
                             std::optional<double> metresPerPixel) {
    m_metresPerPixel = metresPerPixel;
    std::optional<NetworkChoice> network;
    if (stored) network = NetworkOfKey(stored->network);
    m_map.SetChoice(network.value_or(NetworkChoice::StrongestOfAll()));
    // A radius chosen in pixels before the scale was set means nothing in
    // metres: the default then.
    m_radiusMetres = kDefaultCoverageRadiusMetres;
    if (network && stored->radiusMetres > 0 && std::isfinite(stored->radiusMetres))
        m_radiusMetres =
            static_cast<int32_t>(std::clamp(std::round(stored->radiusMetres), 1.0, 1e6));
    if (m_metresPerPixel) {
        m_radiusMetres = std::min(m_radiusMetres, Range().most);
        ApplyMetres();
    } else if (network && stored->radiusPixels > 0) {
        m_map.SetRadius(
            static_cast<int32_t>(std::min<int64_t>(stored->radiusPixels, kMaxCoverageRadius)));
    } else {
        m_map.SetRadius(kDefaultCoverageRadius);
    }
    Changed();
}

void CCoverageState::ScaleChanged(std::optional<double> metresPerPixel) {
    const bool hadScale = m_metresPerPixel.has_value();
    m_metresPerPixel = metresPerPixel;
    if (!m_metresPerPixel) return;
    if (!hadScale) m_radiusMetres = kDefaultCoverageRadiusMetres;
    m_radiusMetres = std::min(m_radiusMetres, Range().most);
    ApplyMetres();
    Changed();
}

CoverageChoice CCoverageState::Stored() const {
    CoverageChoice c;
    c.network = NetworkKey(m_map.Choice());
    if (m_metresPerPixel) c.radiusMetres = m_radiusMetres;
    c.radiusPixels = m_map.Radius();
    return c;
}

int32_t CCoverageState::ShownRadius() const {
    return m_metresPerPixel ? m_radiusMetres : m_map.Radius();
}

RadiusRange CCoverageState::Range() const {
    if (!m_metresPerPixel) return {};
    return RadiusRange{" m", 1, MostMetres(*m_metresPerPixel)};
}

std::string CCoverageState::Caption() const {
    std::string caption =
        ChoiceName(m_map.Choice()) + ", R " + std::to_string(ShownRadius()) + Range().suffix;
    if (const std::optional<Metric> m = m_map.Layer().metric)
        caption = std::string(BandsOf(*m).name) + ": " + caption;
    if (const std::string note = m_note ? m_note() : std::string(); !note.empty())
        caption += ", " + note;
    return caption;
}

void CCoverageState::ApplyMetres() {
    m_map.SetRadius(RadiusPixelsOf(m_radiusMetres, *m_metresPerPixel));
}

void CCoverageState::Changed() const {
    if (m_listener) m_listener();
}
