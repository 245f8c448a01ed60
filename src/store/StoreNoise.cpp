// A point's noise floors in the store's `noise` table: one row per channel
// of each scan's channel survey, committed with the point's readings.

#include "store/Sqlite.h"
#include "store/SurveyStore.h"

std::vector<ScanNoise> CSurveyStore::PointNoise(size_t ordinal) {
    return NoiseAt("ordinal", ordinal);
}

std::vector<ScanNoise> CSurveyStore::FilePointNoise(size_t fileIndex) {
    return NoiseAt("file_index", fileIndex);
}

std::vector<ScanNoise> CSurveyStore::NoiseAt(const char* column, size_t place) {
    std::vector<ScanNoise> out;
    Guard([&](sqlite::Db& db) {
        const std::string sql =
            std::string(
                "SELECT band, channel, dbm, time_ms FROM noise WHERE point = (SELECT id "
                "FROM points WHERE aside IS NULL AND ") +
            column + " = ?) ORDER BY rowid";
        sqlite::Stmt s(db, sql.c_str());
        s.Bind(1, static_cast<int64_t>(place));
        while (s.Step()) {
            // Whatever another program wrote: values that do not fit are no
            // noise floor of this program's.
            const int64_t band = s.Int(0), channel = s.Int(1), dbm = s.Int(2);
            if (band < 0 || band > 255 || channel < 1 || channel > 255 || dbm < INT16_MIN ||
                dbm > INT16_MAX)
                continue;
            out.push_back({static_cast<uint8_t>(band), static_cast<uint8_t>(channel),
                           static_cast<int16_t>(dbm), s.Int(3)});
        }
    });
    return out;
}
