#pragma once
// Floor-plan files made by the tests themselves: PDFs drawn with QPdfWriter,
// and the image kinds Qt does not write (a grey PNG with alpha, a CMYK JPEG).

#include <QPainter>
#include <QString>
#include <functional>

// A PDF of pages of `widthMm` x `heightMm`, each drawn by `draw` in
// millimetres (origin at the top-left corner of the page).
void WritePdf(const QString& path, double widthMm, double heightMm, int pages,
              const std::function<void(QPainter&, int page)>& draw);
// An 8-bit grey-and-alpha PNG (colour type 4) of `grey` and `alpha` rows.
void WriteGreyAlphaPng(const QString& path, int width, int height,
                       const std::function<void(int x, int y, uint8_t& grey, uint8_t& alpha)>& px);
// A CMYK JPEG as print workflows write them (Adobe, inverted), `px` giving
// C, M, Y, K ink from 0 (none) to 255.
void WriteCmykJpeg(const QString& path, int width, int height,
                   const std::function<void(int x, int y, uint8_t cmyk[4])>& px);
// A two-colour GIF (black 0, white 1), which Qt reads but does not write.
void WriteGif(const QString& path, int width, int height,
              const std::function<int(int x, int y)>& px);
