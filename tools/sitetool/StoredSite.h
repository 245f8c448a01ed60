#pragma once
// What the survey store beside a site holds for the commands that only read
// it (info, export, report): read only; nothing is written or told, and a
// missing or unreadable store is a store with nothing in it.
//
//   what          taken when the store is bound to
//   scale         the same plan (the file saved elsewhere keeps its scale)
//   coverage      the same plan (the window's choice for the site)
//   throughput,   this very version of the file (else its points are not
//   noise         the file's points)

#include <QString>
#include <optional>
#include <vector>

#include "store/SurveyStore.h"

struct StoredSite {
    std::optional<PlanScaleRecord> scale;
    std::optional<CoverageChoice> coverage;
    // One per point group of the file, in file order; empty when the store
    // holds none for this version of the file.
    std::vector<std::optional<ThroughputOutcome>> throughput;
    // The same for the noise floors surveyed at each point group.
    std::vector<std::vector<ScanNoise>> noise;

    std::optional<double> MetresPerPixel() const {
        return scale ? std::optional<double>(scale->metresPerPixel) : std::nullopt;
    }
};

// `groups`: the number of point groups of the file (0: no throughput or noise read).
StoredSite ReadStoredSite(const QString& sitePath, size_t groups);
