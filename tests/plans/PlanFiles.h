#pragma once
// Floor-plan files made by the tests themselves: PDFs drawn with QPdfWriter,
// and the image kinds Qt does not write.

#include <QPainter>
#include <QString>
#include <functional>

// A PDF of pages of `widthMm` x `heightMm`, each drawn by `draw` in
// millimetres (origin at the top-left corner of the page).
void WritePdf(const QString& path, double widthMm, double heightMm, int pages,
              const std::function<void(QPainter&, int page)>& draw);
// Plans of `width` x `height` pixels, black where `ink` holds and paper
// elsewhere, in the kinds Qt does not write: an 8-bit grey-and-alpha PNG
// (colour type 4; the paper transparent), a CMYK JPEG as print workflows
// write them (Adobe, inverted; black as K ink) and a two-colour GIF.
using Ink = std::function<bool(int x, int y)>;
void WriteGreyAlphaPng(const QString& path, int width, int height, const Ink& ink);
void WriteCmykJpeg(const QString& path, int width, int height, const Ink& ink);
void WriteGif(const QString& path, int width, int height, const Ink& ink);
