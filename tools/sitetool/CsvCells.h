#pragma once
// One cell of the CSV export (RFC 4180): a field holding a comma, a double
// quote, CR or LF is quoted and its quotes doubled. A text cell that a
// spreadsheet would take for a formula (it begins with "=", "+", "-", "@", a
// tab or a carriage return: anyone can broadcast an SSID "=HYPERLINK(...)")
// gets a leading "'" first, which spreadsheets show as text. Numbers are not
// text cells and stay numbers (-80).

#include <string>

enum class CsvText { Guarded, Raw };

// `text` (UTF-8) as a text cell; Raw leaves out the formula guard.
std::string CsvTextCell(const std::string& text, CsvText mode);
