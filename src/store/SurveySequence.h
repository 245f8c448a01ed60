#pragma once
// The survey's points in their order, as the store counts them: one per
// point group Open loaded from the site file, one per recorded point. A
// point has no name of its own in the site file, so the store knows it by
// its place in this order (its ordinal) and checks it by its position and
// its number of survey-list entries. Pure logic: deleting a run of entries
// and the grouping a save gives the points are worked out here, the same
// way for a live survey, a recovery and a save found finished at Open.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

struct SequencePoint {
    int64_t id = 0;  // the store's row of the point
    int32_t x = 0;
    int32_t y = 0;
    int32_t entries = 1;       // survey-list entries the point stands for (at least 1)
    bool placeholder = false;  // nothing was heard: one entry without a channel
    bool operator==(const SequencePoint&) const = default;
    // Access-point entries, the ones a save writes as AP records.
    int32_t ApEntries() const { return placeholder ? 0 : entries; }
};

class CSurveySequence {
public:
    const std::vector<SequencePoint>& Points() const { return m_points; }
    std::vector<SequencePoint>& Points() { return m_points; }
    size_t Size() const { return m_points.size(); }
    void Clear() { m_points.clear(); }
    void Append(const SequencePoint& p) { m_points.push_back(p); }

    // The points that a deletion of `removed` entries from the 1-based
    // survey-list position `firstIndex` takes away: [first, first + count).
    // Nothing when the run does not begin and end at point boundaries or
    // its points are not all at one position (the survey is not the one the
    // deletion was made on).
    struct Range {
        size_t first = 0;
        size_t count = 0;
    };
    std::optional<Range> LocateRun(int32_t firstIndex, int32_t removed) const {
        return LocateRun(firstIndex, removed, Range{});
    }
    // The same, searched from point `after.first + after.count`, whose
    // entries begin at list position `afterIndex` (a walk over the survey's
    // runs in order passes the last one found and its end).
    std::optional<Range> LocateRun(int32_t firstIndex, int32_t removed, Range after,
                                   int64_t afterIndex = 1) const;
    void Erase(const Range& r);

    // The point group of the site file each point lands in when the survey
    // is saved: the save opens a new group at a point whose position
    // differs from the open group's, and at every placeholder; any other
    // point joins the open group.
    std::vector<size_t> FileGroups() const;

private:
    std::vector<SequencePoint> m_points;
};
