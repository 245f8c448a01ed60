#include "CsvCells.h"

std::string CsvTextCell(const std::string& text, CsvText mode) {
    std::string cell = text;
    if (mode == CsvText::Guarded && !cell.empty() &&
        std::string("=+-@\t\r").find(cell.front()) != std::string::npos)
        cell.insert(cell.begin(), '\'');
    if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
    std::string quoted = "\"";
    for (char c : cell) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}
