#pragma once
// The run of survey records that deleting a selected point removes: from a
// 1-based position on, every record whose x and y equal the selected point's.
// Shared by the survey document's deletion and by the replay of a survey
// journal, so that both remove exactly the same records.

#include <cstdint>

class CApList;

// How many records the run starting at `first` holds (0 when there is no
// record at `first` or it lies elsewhere).
int32_t CountPointRun(const CApList& list, int32_t first, double x, double y);
// Removes that run; returns how many records went.
int32_t RemovePointRun(CApList& list, int32_t first, double x, double y);
