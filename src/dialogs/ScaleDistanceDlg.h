#pragma once
// The distance between the two marks of "Set Scale", in metres with
// decimals; nothing when cancelled.

#include <optional>

class QWidget;

std::optional<double> AskScaleDistance(QWidget* parent, double pixels);
