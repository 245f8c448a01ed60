#pragma once
// CCoverageState: the coverage map as the window shows it. Whether it is
// shown (button 8, key H), the network chosen and the radius (in the kept
// CCoverageMap), the caption that names both, and one listener told of
// every change (the frame checks its button and names the network there).
//
// The choice belongs to the site: it is kept in the survey store
// (Stored) and taken back at Open (Restore), the defaults where the store
// has none. Where the plan has a scale the surveyor chooses R in whole
// metres (default 10 m) and the map gets it in plan pixels; without one R
// is in plan pixels. No Qt.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "coverage/CoverageMap.h"
#include "coverage/NetworkChoice.h"
#include "store/SurveyStore.h"

inline constexpr int32_t kDefaultCoverageRadiusMetres = 10;

// The radius as the surveyor chooses it: the unit's suffix and its range.
struct RadiusRange {
    const char* suffix = " px";
    int32_t least = kMinCoverageRadius;
    int32_t most = kMaxCoverageRadius;
};

// `metres` in plan pixels at `metresPerPixel`, rounded and clamped to the
// map's range.
int32_t RadiusPixelsOf(double metres, double metresPerPixel);

// The network as the store's `coverage.network` holds it: "all", "ssid:"
// and the SSID's bytes, or "mac:" and twelve hex digits. Text that is none
// of these (a newer Pellorin's, a hand edit) is nothing.
std::string NetworkKey(const NetworkChoice& choice);
std::optional<NetworkChoice> NetworkOfKey(const std::string& key);

class CCoverageState {
public:
    bool Shown() const { return m_shown; }
    // Switching it off frees the grid.
    void SetShown(bool shown);
    void Toggle() { SetShown(!m_shown); }
    // The network and radius chosen in "Networks" (R in the unit of
    // Range()); the map then shows.
    void Choose(NetworkChoice choice, int32_t radius);
    // The layer the map shows and where its values come from
    // (CCoverageMap::SetLayer); shown or not as it was.
    void SetLayer(CoverageLayer layer, CCoverageMap::PointValuesOf values = {});
    // What the caption adds at its end (the share of the floor that passes),
    // asked at each Caption(); null: nothing.
    void SetNote(std::function<std::string()> note) { m_note = std::move(note); }
    // Another site was opened: the network and the radius were chosen for
    // the site before, so "Strongest of all" at the default radius is shown
    // until Restore.
    void SiteReplaced();
    // The site now open has `stored` (nothing: the store has no choice, or
    // there is no store) and the scale `metresPerPixel`.
    void Restore(const std::optional<CoverageChoice>& stored, std::optional<double> metresPerPixel);
    // The scale of the open site was set: R stays what it was in metres (the
    // default 10 m when it was chosen in pixels).
    void ScaleChanged(std::optional<double> metresPerPixel);
    // What the store keeps of the choice.
    CoverageChoice Stored() const;

    // R in the unit the surveyor chooses it in, and that unit.
    int32_t ShownRadius() const;
    RadiusRange Range() const;
    // What the map shows, e.g. "Strongest of all, R 60 px" or "..., R 10 m";
    // another layer than the signal is named first ("SNR: office, R 10 m").
    std::string Caption() const;

    CCoverageMap& Map() { return m_map; }
    const CCoverageMap& Map() const { return m_map; }
    void SetListener(std::function<void()> fn) { m_listener = std::move(fn); }

private:
    void Changed() const;
    void ApplyMetres();

    CCoverageMap m_map;  // the grid is kept only while the map is on
    bool m_shown = false;
    std::optional<double> m_metresPerPixel;
    int32_t m_radiusMetres = kDefaultCoverageRadiusMetres;  // while there is a scale
    std::function<void()> m_listener;
    std::function<std::string()> m_note;
};
