#pragma once

#include <QString>

// Paints the 800 x 560 office plan into a PNG. Returns the exit status.
int DrawOfficePlan(const QString& pngPath);

// Copies `sitePath` to `outPath` and saves a small survey into the copy:
// points in each room, heard from three access points, one point where
// nothing was heard and one measured twice.
int RecordSampleSurvey(const QString& sitePath, const QString& outPath);
