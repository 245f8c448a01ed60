#pragma once
// CSignaturePad: the signature area of the sign-off dialog. The ink lives
// only as pixels of an off-screen canvas of exactly the pad's client size
// (inside its sunken frame); there is no list of strokes. Canvas coordinates
// are client coordinates, (0, 0) at the top-left inside the frame. At the
// dialogs' scale (dialogs::Scale) the canvas keeps the handheld's size and
// is shown magnified, the stylus's points divided down to it.
//
// A press moves the current position to the stylus and draws a zero-length
// line there (so a tap leaves a dot); a move draws a line from the current
// position to the stylus, but only while the button is down, because a mouse
// on Linux also reports moves without it, unlike the handheld's stylus.

#include <QFrame>
#include <QImage>
#include <QPoint>
#include <cstdint>

class CSignaturePad : public QFrame {
    Q_OBJECT
public:
    static constexpr uint32_t kInvalidColor = 0xFFFFFFFF;  // CLR_INVALID

    explicit CSignaturePad(QWidget* parent = nullptr);

    // A white canvas of the current client size, replacing any earlier one.
    void InitCanvas();
    // Blanks the canvas; the current position stays where it was.
    void ClearCanvas();

    // The stylus handlers, in client coordinates; tests call them directly.
    void OnLButtonDown(const QPoint& point);
    void OnMouseMove(const QPoint& point);

    // The canvas pixel as a COLORREF (0x00BBGGRR), or kInvalidColor outside
    // the canvas or before InitCanvas.
    uint32_t GetPixel(int x, int y) const;
    const QImage& Canvas() const { return m_canvas; }
    // For ink that does not come from the stylus (tests); call update() after.
    QImage& Canvas() { return m_canvas; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QPoint CanvasPoint(const QPoint& widget) const;
    void LineTo(const QPoint& to);
    void Stamp(int x, int y);

    const int m_scale;  // the dialogs' scale when it was made
    QImage m_canvas;
    QPoint m_current;
};
