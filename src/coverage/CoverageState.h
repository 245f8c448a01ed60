#pragma once
// CCoverageState: the coverage map as the window shows it. Whether it is
// shown (button 8, key H), the network chosen and the radius (in the kept
// CCoverageMap), the caption that names both, and one listener told of
// every change (the frame checks its button and names the network there).
// No Qt.

#include <cstdint>
#include <functional>
#include <string>

#include "coverage/CoverageMap.h"
#include "coverage/NetworkChoice.h"

class CCoverageState {
public:
    bool Shown() const { return m_shown; }
    // Switching it off frees the grid.
    void SetShown(bool shown);
    void Toggle() { SetShown(!m_shown); }
    // The network and radius chosen in "Networks"; the map then shows.
    void Choose(NetworkChoice choice, int32_t radius);
    // Another site was opened: the network and the radius were chosen for
    // the site before, so "Strongest of all" at the default radius is shown.
    void SiteReplaced();
    // What the map shows, e.g. "Strongest of all, R 60 px".
    std::string Caption() const;

    CCoverageMap& Map() { return m_map; }
    const CCoverageMap& Map() const { return m_map; }
    void SetListener(std::function<void()> fn) { m_listener = std::move(fn); }

private:
    void Changed() const;

    CCoverageMap m_map;  // the grid is kept only while the map is on
    bool m_shown = false;
    std::function<void()> m_listener;
};
