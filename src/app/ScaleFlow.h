#pragma once
// "Set Scale" as the surveyor meets it: the next two taps on the map mark the
// ends of a distance the surveyor knows (zooming and scrolling stay free in
// between), then the distance is asked in metres and the document keeps the
// scale. Escape, or Begin again, starts over; a refusal (a line too short,
// a bad distance) is told and the marks are taken again.

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class CSurveyDocument;

class CSetScaleFlow {
public:
    // Asks the distance between marks `pixels` plan pixels apart; nothing
    // when the surveyor cancelled.
    using AskDistance = std::function<std::optional<double>(double pixels)>;
    using Tell = std::function<void(const QString& text)>;

    CSetScaleFlow(CSurveyDocument& document, AskDistance ask, Tell tell);

    void Begin();
    void Cancel() { m_marks = kIdle; }
    bool Active() const { return m_marks != kIdle; }
    // A tap at plan position (x, y) while active.
    void Tap(int32_t x, int32_t y);
    // What the notice strip says while active.
    QString Prompt() const;

private:
    enum Marks { kIdle, kFirst, kSecond };
    CSurveyDocument& m_document;
    AskDistance m_ask;
    Tell m_tell;
    Marks m_marks = kIdle;
    int32_t m_x1 = 0, m_y1 = 0;
};
