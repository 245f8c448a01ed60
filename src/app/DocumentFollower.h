#pragma once
// What the window does when the survey document changes: another site open
// hands its plan, layer and circles to the map and sets up the bars; a point
// recorded is painted where it was taken (after the red alert and its
// warning when no access point was heard); a point deleted is erased; each
// change retitles the window, a new scale repaints.

#include <memory>

#include "survey/SurveyDocument.h"

class CDesktopMapView;
class CMapScrollBars;
class CSetScaleFlow;
class CSurveyMap;
class CViewStatus;
class IViewSurface;

class CDocumentFollower : private ISurveyListener {
public:
    // Listens to `document` until it goes; `desktop` is null in the handheld layout.
    CDocumentFollower(IViewSurface& view, CSurveyDocument& document, CSurveyMap& map,
                      CMapScrollBars& bars, CSetScaleFlow& scaleFlow, CViewStatus& status,
                      const std::unique_ptr<CDesktopMapView>& desktop);
    ~CDocumentFollower() override;
    CDocumentFollower(const CDocumentFollower&) = delete;
    CDocumentFollower& operator=(const CDocumentFollower&) = delete;

private:
    void SiteReplaced(CSiteLoader& loaded) override;
    void PointRecorded(const RecordedPoint& point) override;
    void PointDeleted(const DeletedPoint& point) override;
    void Saved() override;
    void ScaleChanged() override;

    IViewSurface& m_view;
    CSurveyDocument& m_document;
    CSurveyMap& m_map;
    CMapScrollBars& m_bars;
    CSetScaleFlow& m_scaleFlow;
    CViewStatus& m_status;
    const std::unique_ptr<CDesktopMapView>& m_desktop;
};
