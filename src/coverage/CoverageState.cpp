#include "coverage/CoverageState.h"

#include "coverage/NetworkNames.h"

void CCoverageState::SetShown(bool shown) {
    m_shown = shown;
    if (!shown) m_map.Release();
    Changed();
}

void CCoverageState::Choose(NetworkChoice choice, int32_t radius) {
    m_map.SetChoice(std::move(choice));
    m_map.SetRadius(radius);
    SetShown(true);
}

void CCoverageState::SiteReplaced() {
    if (m_map.Choice() == NetworkChoice::StrongestOfAll() &&
        m_map.Radius() == kDefaultCoverageRadius)
        return;
    m_map.SetChoice(NetworkChoice::StrongestOfAll());
    m_map.SetRadius(kDefaultCoverageRadius);
    Changed();
}

std::string CCoverageState::Caption() const {
    return ChoiceName(m_map.Choice()) + ", R " + std::to_string(m_map.Radius()) + " px";
}

void CCoverageState::Changed() const {
    if (m_listener) m_listener();
}
