#pragma once
// "Set Scale" as the surveyor meets it: the next two taps on the map mark the
// ends of a distance the surveyor knows (zooming and scrolling stay free in
// between), or a press on one end dragged to the other (the line drawn
// meanwhile), then the distance is asked in metres (the strip says so, the
// line between the marks drawn) and the document keeps the scale. Escape,
// or Begin again, starts over; a cancelled distance goes back to the other
// end, the first mark kept; a refusal (a line too short, a bad distance) is
// told and the marks are taken again.

#include <QLine>
#include <QPoint>
#include <QPointF>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class CSurveyDocument;
class QPainter;

class CSetScaleFlow {
public:
    // Asks the distance between marks `pixels` plan pixels apart; nothing
    // when the surveyor cancelled. Active() and Prompt() already tell of it,
    // so the asker repaints the strip before its dialog holds the window.
    using AskDistance = std::function<std::optional<double>(double pixels)>;
    using Tell = std::function<void(const QString& text)>;

    CSetScaleFlow(CSurveyDocument& document, AskDistance ask, Tell tell);

    void Begin();
    void Cancel() {
        m_marks = kIdle;
        m_drag = {};
    }
    bool Active() const { return m_marks != kIdle; }
    // A tap at plan position (x, y), window point `at`, while active.
    void Tap(int32_t x, int32_t y, QPoint at = {});
    // The press that made the first mark, dragged from window point `from`
    // to `to`: true while the drag is this flow's; at the release the view
    // then taps `to`, the other end.
    bool Dragged(QPoint from, QPoint to, bool released);
    // Over the map: the line being dragged, or the first mark while the
    // other end is awaited, placed by `toClient` (plan pixel to window
    // point), so that it stays on its plan pixel through zoom and scroll.
    using ToClient = std::function<QPointF(int32_t x, int32_t y)>;
    void PaintMarks(QPainter& p, const ToClient& toClient) const;
    // What the notice strip says while active.
    QString Prompt() const;

private:
    enum Marks { kIdle, kFirst, kSecond, kDistance };
    CSurveyDocument& m_document;
    AskDistance m_ask;
    Tell m_tell;
    Marks m_marks = kIdle;
    int32_t m_x1 = 0, m_y1 = 0;
    int32_t m_x2 = 0, m_y2 = 0;  // the other end, while its distance is asked
    QPoint m_firstAt;            // where the first mark was pressed, in the window
    QLine m_drag;                // null unless dragging from it
};
