#pragma once
// The user guide shown by the Help dialog: 160 lines in order, pre-wrapped
// for the handheld's narrow list (about 31 characters), trailing spaces
// kept, topic titles and step headings as lines of their own, empty strings
// for the empty items.

#include <vector>

const std::vector<const char*>& HelpLines();
