#pragma once
// CColorSwatch: a small sunken control that shows one colour over its whole
// client area (inside the edge).

#include <QFrame>
#include <cstdint>

class CColorSwatch : public QFrame {
    Q_OBJECT
public:
    explicit CColorSwatch(QWidget* parent = nullptr);

    // Stores the colour (COLORREF, 0x00BBGGRR); the owner sets it before the
    // swatch is shown, so no repaint is asked for.
    void SetColor(uint32_t color) { m_color = color; }

    uint32_t m_color = 0;

protected:
    void paintEvent(QPaintEvent* event) override;
};
