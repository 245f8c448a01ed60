// A point's noise floors in the store's `noise` table: one row per channel
// of each scan's channel survey, committed with the point's readings.

#include "store/Sqlite.h"
#include "store/SurveyStore.h"

std::vector<ScanNoise> CSurveyStore::PointNoise(size_t ordinal) {
    auto found = NoiseAt("ordinal", ordinal);
    return found.empty() ? std::vector<ScanNoise>{} : std::move(found.begin()->second);
}

std::vector<ScanNoise> CSurveyStore::FilePointNoise(size_t fileIndex) {
    auto found = NoiseAt("file_index", fileIndex);
    return found.empty() ? std::vector<ScanNoise>{} : std::move(found.begin()->second);
}

std::map<size_t, std::vector<ScanNoise>> CSurveyStore::EveryPointNoise() {
    return NoiseAt("ordinal", std::nullopt);
}

std::map<size_t, std::vector<ScanNoise>> CSurveyStore::NoiseAt(const char* column,
                                                               std::optional<size_t> place) {
    std::map<size_t, std::vector<ScanNoise>> out;
    Guard([&](sqlite::Db& db) {
        const std::string key = std::string("p.") + column;
        const std::string sql = "SELECT " + key +
                                ", n.band, n.channel, n.dbm, n.time_ms FROM noise n JOIN "
                                "points p ON p.id = n.point WHERE p.aside IS NULL AND " +
                                key + (place ? " = ?" : " >= 0") + " ORDER BY " + key + ", n.rowid";
        sqlite::Stmt s(db, sql.c_str());
        if (place) s.Bind(1, static_cast<int64_t>(*place));
        while (s.Step()) {
            // Whatever another program wrote: values that do not fit are no
            // noise floor of this program's.
            const int64_t band = s.Int(1), channel = s.Int(2), dbm = s.Int(3);
            if (band < 0 || band > 255 || channel < 1 || channel > 255 || dbm < INT16_MIN ||
                dbm > INT16_MAX)
                continue;
            out[static_cast<size_t>(s.Int(0))].push_back({static_cast<uint8_t>(band),
                                                          static_cast<uint8_t>(channel),
                                                          static_cast<int16_t>(dbm), s.Int(4)});
        }
    });
    return out;
}
