#pragma once
// The user guide shown by the Help dialog, in order, pre-wrapped for the
// handheld's narrow list (about 31 characters), trailing spaces kept, topic
// titles and step headings as lines of their own, empty strings for the
// empty items: the 160 lines of the guide, then "More Commands" for the
// commands added since (coverage map, Networks, Save As).

#include <vector>

const std::vector<const char*>& HelpLines();
