#pragma once
// The user guide shown by the Help dialog, in order, pre-wrapped for the
// handheld's narrow list (about 31 characters), trailing spaces kept, topic
// titles and step headings as lines of their own, empty strings for the
// empty items: the 160 lines of the guide, then "More Commands" for the
// commands added since (coverage map, Networks, Save As).

#include <functional>
#include <string>
#include <string_view>
#include <vector>

const std::vector<const char*>& HelpLines();

// The guide wrapped again for a list `room` pixels wide, `width` measuring a
// text in its font: for the desktop layout's multiples, whose fonts do not
// grow in step with the list, so the handheld's breaks would fall
// mid-phrase or run over the edge. A stored line continued by the next ends
// in a space, or in a hyphen that splits a word (joined again); every other
// line ends its paragraph (a title, an item, an empty line). Each paragraph
// is filled a word at a time up to `room`; a word wider than the room takes
// a line of its own.
std::vector<std::string> WrappedHelpLines(const std::function<int(std::string_view)>& width,
                                          int room);
