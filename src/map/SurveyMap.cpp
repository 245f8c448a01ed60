#include "map/SurveyMap.h"

#include <vector>

#include "map/PointCircles.h"

void CSurveyMap::Adopt(MapBitmap&& plan, CCircleLayer&& layer, CCircleLog&& circles) {
    m_plan = std::move(plan);  // releases the previous plan
    m_layer = std::move(layer);
    m_circles = std::move(circles);
    m_viewport.SetWorld(m_plan.width, m_plan.height);
    m_viewport.SetView(m_plan.width, m_plan.height);
}

void CSurveyMap::Scroll(MapAxis axis, int code, int32_t position, int32_t page) {
    const bool x = axis == MapAxis::kX;
    switch (code) {
        case SB_LINELEFT:
            x ? m_viewport.ScrollLeft(kScrollLine) : m_viewport.ScrollUp(kScrollLine);
            break;
        case SB_LINERIGHT:
            x ? m_viewport.ScrollRight(kScrollLine) : m_viewport.ScrollDown(kScrollLine);
            break;
        case SB_PAGELEFT:
            x ? m_viewport.ScrollLeft(page) : m_viewport.ScrollUp(page);
            break;
        case SB_PAGERIGHT:
            x ? m_viewport.ScrollRight(page) : m_viewport.ScrollDown(page);
            break;
        case SB_THUMBTRACK:
            x ? m_viewport.SetCenterX(position) : m_viewport.SetCenterY(position);
            break;
        default:
            break;
    }
}

int32_t CSurveyMap::Center(MapAxis axis) const {
    return axis == MapAxis::kX ? m_viewport.GetCenterX() : m_viewport.GetCenterY();
}

void CSurveyMap::PaintPoint(int32_t x, int32_t y, int32_t strength, int32_t records) {
    PaintPointCircle(m_layer, x, y, strength);
    m_circles.Add(x, y, strength, records);
}

void CSurveyMap::EraseRecords(int32_t first, int32_t records) {
    if (records <= 0) return;
    const std::vector<LoggedCircle> removed = m_circles.RemoveRecords(first, records);
    MendDeletedCircles(m_layer, m_circles, removed);
}
