#pragma once
// "New Site from Floor Plan..." (Ctrl+N) as the surveyor meets it: the plan
// chosen (an image, an SVG or a PDF), the page and resolution of a drawing
// asked with what they give, the site file written beside the plan (another
// name asked when one is there already, never written over unasked) by
// plans::CreateSiteFromPlan. Every refusal is one message naming the file
// and the reason, and nothing is written.

#include <QString>

class QWidget;

// The new site file's path, or empty when nothing was made.
QString NewSiteFromFloorPlan(QWidget* window);
