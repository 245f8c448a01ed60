// What the store keeps for the plan and the site rather than for a point:
// the scale, the plan's source, the coverage choice and the settings; and
// the two ways in for tools.

#include <sys/stat.h>

#include <ctime>

#include "store/Sqlite.h"
#include "store/StorePoints.h"
#include "store/StoreSchema.h"
#include "store/SurveyStore.h"

namespace {

using sqlite::Db;
using sqlite::Stmt;

// Keys of the settings table that this program reads itself.
constexpr const char* kCoverageNetwork = "coverage.network";
constexpr const char* kCoverageRadiusMetres = "coverage.radius_m";
constexpr const char* kCoverageRadiusPixels = "coverage.radius_px";

std::string UtcNow() {
    const time_t now = std::time(nullptr);
    struct tm t {};
    gmtime_r(&now, &t);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &t);
    return text;
}

}  // namespace

std::optional<PlanScaleRecord> CSurveyStore::Scale() {
    std::optional<PlanScaleRecord> out;
    Guard([&](Db& db) {
        Stmt s(db,
               "SELECT metres_per_pixel, x1, y1, x2, y2, metres, print_ratio FROM plan_scale "
               "WHERE aside IS NULL ORDER BY id DESC LIMIT 1");
        if (!s.Step()) return;
        PlanScaleRecord r;
        r.metresPerPixel = s.Real(0);
        r.fromLine = !s.IsNull(1);
        r.x1 = s.Real(1), r.y1 = s.Real(2), r.x2 = s.Real(3), r.y2 = s.Real(4);
        r.metres = s.Real(5);
        r.printRatio = s.Int(6);
        out = r;
    });
    return out;
}

bool CSurveyStore::SetScale(const PlanScaleRecord& r) {
    return Guard([&](Db& db) {
        sqlite::Transaction t(db);
        // The scale before stays in the table, out of use.
        const int64_t aside = storepoints::NewAside(db, "scale replaced", std::time(nullptr));
        storepoints::SetScaleAside(db, aside);
        Stmt s(db,
               "INSERT INTO plan_scale(metres_per_pixel, x1, y1, x2, y2, metres, print_ratio, "
               "set_utc) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        s.Bind(1, r.metresPerPixel);
        if (r.fromLine) s.Bind(2, r.x1).Bind(3, r.y1).Bind(4, r.x2).Bind(5, r.y2).Bind(6, r.metres);
        if (r.printRatio > 0) s.Bind(7, r.printRatio);
        s.Bind(8, UtcNow()).Run();
        t.Commit();
    });
}

std::optional<PlanSourceRecord> CSurveyStore::PlanSource() {
    std::optional<PlanSourceRecord> out;
    Guard([&](Db& db) {
        Stmt s(db, "SELECT file, format, page, dpi, width, height FROM plan_source WHERE id = 1");
        if (!s.Step()) return;
        out = PlanSourceRecord{s.Text(0), s.Text(1), s.Int(2), s.Real(3), s.Int(4), s.Int(5)};
    });
    return out;
}

bool CSurveyStore::SetPlanSource(const PlanSourceRecord& r) {
    return Guard([&](Db& db) {
        Stmt s(db,
               "INSERT OR REPLACE INTO plan_source(id, file, format, page, dpi, width, height, "
               "made_utc) VALUES (1, ?, ?, ?, ?, ?, ?, ?)");
        s.Bind(1, r.file).Bind(2, r.format);
        if (r.page > 0) s.Bind(3, r.page);
        if (r.dpi > 0) s.Bind(4, r.dpi);
        s.Bind(5, r.width).Bind(6, r.height).Bind(7, UtcNow()).Run();
    });
}

std::optional<std::string> CSurveyStore::Setting(const std::string& key) {
    std::optional<std::string> out;
    Guard([&](Db& db) {
        Stmt s(db, "SELECT value FROM settings WHERE key = ?");
        s.Bind(1, key);
        if (s.Step()) out = s.Text(0);
    });
    return out;
}

bool CSurveyStore::SetSetting(const std::string& key, const std::string& value) {
    return Guard([&](Db& db) {
        Stmt(db, "INSERT OR REPLACE INTO settings(key, value) VALUES (?, ?)")
            .Bind(1, key)
            .Bind(2, value)
            .Run();
    });
}

std::optional<CoverageChoice> CSurveyStore::Coverage() {
    const std::optional<std::string> network = Setting(kCoverageNetwork);
    if (!network) return std::nullopt;
    CoverageChoice c;
    c.network = *network;
    if (const auto m = Setting(kCoverageRadiusMetres))
        c.radiusMetres = std::strtod(m->c_str(), nullptr);
    if (const auto p = Setting(kCoverageRadiusPixels))
        c.radiusPixels = std::strtoll(p->c_str(), nullptr, 10);
    return c;
}

bool CSurveyStore::SetCoverage(const CoverageChoice& c) {
    return Guard([&](Db& db) {
        sqlite::Transaction t(db);
        Stmt s(db, "INSERT OR REPLACE INTO settings(key, value) VALUES (?, ?)");
        s.Bind(1, std::string(kCoverageNetwork)).Bind(2, c.network).Run();
        char metres[32];
        std::snprintf(metres, sizeof metres, "%.17g", c.radiusMetres);
        s.Bind(1, std::string(kCoverageRadiusMetres)).Bind(2, std::string(metres)).Run();
        s.Bind(1, std::string(kCoverageRadiusPixels)).Bind(2, std::to_string(c.radiusPixels)).Run();
        t.Commit();
    });
}

bool CSurveyStore::OpenForPlan(const std::string& sitePath, const StoreBinding& binding) {
    m_told = false;
    if (OpenFile(sitePath) != Opening::kOpen) return false;
    return Guard([&](Db& db) {
        sqlite::Transaction t(db);
        const storepoints::Meta meta = storepoints::ReadMeta(db);
        if (meta.binding && meta.binding->SamePlan(binding)) return;  // nothing to change
        if (meta.binding) {
            // Made for another plan: nothing of it fits this one.
            const int64_t aside =
                storepoints::NewAside(db, "another floor plan", std::time(nullptr));
            storepoints::SetPointsAside(db, aside, storepoints::Which::kAll);
            storepoints::SetScaleAside(db, aside);
        }
        storepoints::WriteBinding(db, binding);
        t.Commit();
    });
}

bool CSurveyStore::OpenToRead(const std::string& sitePath, StoreBinding* bound) {
    Close();
    m_told = true;  // a reader tells nothing
    m_path = StorePathFor(sitePath);
    struct stat st {};
    if (::stat(m_path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    auto db = std::make_unique<Db>();
    try {
        db->Open(m_path, SQLITE_OPEN_READONLY, m_vfs.empty() ? nullptr : m_vfs.c_str());
        const int64_t version = sqlite::QueryInt(*db, "PRAGMA user_version").value_or(0);
        if (version < 1 || version > storeschema::kVersion) return false;
        const storepoints::Meta meta = storepoints::ReadMeta(*db);
        if (!meta.binding) return false;
        if (bound != nullptr) *bound = *meta.binding;
    } catch (const sqlite::Error&) {
        return false;
    }
    m_db = std::move(db);
    return true;
}
