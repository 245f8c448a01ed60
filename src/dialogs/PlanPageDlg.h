#pragma once
// The page and resolution of a PDF or SVG floor plan for "New Site from
// Floor Plan", with the pixel size and memory they give (or why they do not
// fit) shown as they are changed.

#include <QString>
#include <functional>

class QWidget;

// `describe(page, dpi)` says what that choice gives. False when cancelled.
bool AskPlanPage(QWidget* parent, const QString& planName, int pages, int& page, double& dpi,
                 const std::function<QString(int page, double dpi)>& describe);
