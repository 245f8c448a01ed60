#include "requirements/Requirement.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int32_t kSignalMin = -120, kSignalMax = 0;
constexpr int32_t kSnrMin = 0, kSnrMax = 100;
constexpr int32_t kCountMax = 999;
constexpr double kRateMax = 100000;

constexpr const char* kNames[kCriterionCount] = {"primary", "secondary", "snr", "cochannel",
                                                 "aps",     "down",      "up"};
constexpr const char* kGrammar = "data, voice, location, or criteria such as primary=-67,snr=25";

struct Profile {
    const char* name;
    const char* criteria;
};
constexpr Profile kProfiles[] = {
    {"data", "primary=-70,snr=20"},
    {"voice", "primary=-67,secondary=-75,snr=25,cochannel=1"},
    {"location", "aps=3@-75"},
};

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::string Quoted(std::string_view s) {
    std::string q(1, '"');
    q.append(s);
    q += '"';
    return q;
}

std::optional<int32_t> WholeNumber(std::string_view s) {
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    int32_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
    return v;
}

std::optional<double> Decimal(std::string_view s) {
    // Digits with at most one point; no exponent, no "inf" or "nan".
    bool digit = false, point = false;
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c == '.' && !point)
            point = true;
        else if (!(i == 0 && (c == '-' || c == '+')))
            return std::nullopt;
    }
    if (!digit) return std::nullopt;
    if (s.front() == '+') s.remove_prefix(1);
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return v;
}

// Reads one NAME=VALUE part into r; the error, or nothing.
std::optional<std::string> TakePart(std::string_view part, Requirement& r,
                                    std::array<bool, kCriterionCount>& seen) {
    const size_t eq = part.find('=');
    if (eq == std::string_view::npos)
        return "malformed requirement part " + Quoted(part) + ": expected NAME=VALUE";
    const std::string_view name = Trim(part.substr(0, eq));
    std::string_view value = Trim(part.substr(eq + 1));
    int index = -1;
    for (int i = 0; i < kCriterionCount; ++i)
        if (name == kNames[i]) index = i;
    if (index < 0)
        return "unknown criterion " + Quoted(name) + " in " + Quoted(part) +
               ": primary, secondary, snr, cochannel, aps, down or up";
    if (seen[static_cast<size_t>(index)]) return Quoted(name) + " given twice";
    seen[static_cast<size_t>(index)] = true;
    const auto c = static_cast<Criterion>(index);
    const std::string where = Quoted(part) + ": ";

    // cochannel and aps take a level after '@'.
    std::optional<int32_t> level;
    if (const size_t at = value.find('@'); at != std::string_view::npos) {
        if (c != Criterion::kCochannel && c != Criterion::kAps)
            return where + std::string(name) + " takes no @ level";
        level = WholeNumber(Trim(value.substr(at + 1)));
        if (!level) return where + "the level is not a whole number of dBm";
        if (*level < kSignalMin || *level > kSignalMax) return where + "signal outside -120..0 dBm";
        value = Trim(value.substr(0, at));
    }

    if (c == Criterion::kDown || c == Criterion::kUp) {
        const std::optional<double> mbps = Decimal(value);
        if (!mbps) return where + "not a number of Mbit/s";
        if (*mbps < 0) return where + "a rate below 0 Mbit/s";
        if (*mbps > kRateMax) return where + "a rate above 100000 Mbit/s";
        (c == Criterion::kDown ? r.downMbps : r.upMbps) = *mbps;
        return std::nullopt;
    }
    const std::optional<int32_t> v = WholeNumber(value);
    switch (c) {
        case Criterion::kPrimary:
        case Criterion::kSecondary:
            if (!v) return where + "not a whole number of dBm";
            if (*v < kSignalMin || *v > kSignalMax) return where + "signal outside -120..0 dBm";
            (c == Criterion::kPrimary ? r.primaryDbm : r.secondaryDbm) = *v;
            break;
        case Criterion::kSnr:
            if (!v) return where + "not a whole number of dB";
            if (*v < kSnrMin || *v > kSnrMax) return where + "SNR outside 0..100 dB";
            r.snrDb = *v;
            break;
        default:  // the two counts
            if (!v) return where + "not a whole number";
            if (*v < 0) return where + "a count below 0";
            if (*v > kCountMax) return where + "a count above 999";
            if (c == Criterion::kCochannel) {
                r.cochannelMax = *v;
                if (level) r.cochannelFloorDbm = *level;
            } else {
                r.apsMin = *v;
                if (level) r.apsLevelDbm = *level;
            }
    }
    return std::nullopt;
}

RequirementParse ParseCriteria(std::string_view text, const char* name) {
    Requirement r;
    r.name = name;
    std::array<bool, kCriterionCount> seen{};
    size_t from = 0;
    while (true) {
        const size_t comma = text.find(',', from);
        const std::string_view part =
            Trim(text.substr(from, comma == std::string_view::npos ? text.npos : comma - from));
        if (part.empty()) return {std::nullopt, "an empty part in " + Quoted(text)};
        if (std::optional<std::string> error = TakePart(part, r, seen))
            return {std::nullopt, *error};
        if (comma == std::string_view::npos) break;
        from = comma + 1;
    }
    return {r, {}};
}

std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    std::string s = text;  // "20.00" -> "20", "2.50" -> "2.5"
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
}

Verdict AtLeast(double value, double threshold) {
    return value >= threshold ? Verdict::kPass : Verdict::kFail;
}

}  // namespace

const char* CriterionName(Criterion c) { return kNames[static_cast<size_t>(c)]; }

const char* VerdictWord(Verdict v) {
    switch (v) {
        case Verdict::kPass:
            return "yes";
        case Verdict::kFail:
            return "no";
        default:
            return "unknown";
    }
}

bool Requirement::Has(Criterion c) const {
    switch (c) {
        case Criterion::kPrimary:
            return primaryDbm.has_value();
        case Criterion::kSecondary:
            return secondaryDbm.has_value();
        case Criterion::kSnr:
            return snrDb.has_value();
        case Criterion::kCochannel:
            return cochannelMax.has_value();
        case Criterion::kAps:
            return apsMin.has_value();
        case Criterion::kDown:
            return downMbps.has_value();
        case Criterion::kUp:
            return upMbps.has_value();
    }
    return false;
}

std::string RequirementCriteria(const Requirement& r) {
    std::vector<std::string> parts;
    if (r.primaryDbm) parts.push_back("primary=" + std::to_string(*r.primaryDbm));
    if (r.secondaryDbm) parts.push_back("secondary=" + std::to_string(*r.secondaryDbm));
    if (r.snrDb) parts.push_back("snr=" + std::to_string(*r.snrDb));
    if (r.cochannelMax) {
        parts.push_back("cochannel=" + std::to_string(*r.cochannelMax));
        if (r.cochannelFloorDbm != kDefaultInterferenceFloorDbm)
            parts.back() += "@" + std::to_string(r.cochannelFloorDbm);
    }
    if (r.apsMin)
        parts.push_back("aps=" + std::to_string(*r.apsMin) + "@" + std::to_string(r.apsLevelDbm));
    if (r.downMbps) parts.push_back("down=" + Number(*r.downMbps));
    if (r.upMbps) parts.push_back("up=" + Number(*r.upMbps));
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : ",") + p;
    return out;
}

RequirementParse ParseRequirement(std::string_view text) {
    text = Trim(text);
    if (text.empty()) return {std::nullopt, std::string("empty requirement: give ") + kGrammar};
    for (const Profile& p : kProfiles)
        if (text == p.name) return ParseCriteria(p.criteria, p.name);
    if (text.find('=') == std::string_view::npos)
        return {std::nullopt, "unknown requirement profile " + Quoted(text) + ": " + kGrammar};
    return ParseCriteria(text, "custom");
}

double RoundedMbps(double mbps) { return std::floor(mbps * 100 + 0.5) / 100; }

Verdict Combine(const std::array<std::optional<Verdict>, kCriterionCount>& criteria) {
    Verdict overall = Verdict::kPass;
    for (const std::optional<Verdict>& v : criteria)
        if (v) overall = Worse(overall, *v);
    return overall;
}

PointVerdict Evaluate(const Requirement& r, const PointFigures& f) {
    PointVerdict out;
    const auto set = [&](Criterion c, Verdict v) { out.criteria[static_cast<size_t>(c)] = v; };
    const Verdict noPrimary = Verdict::kFail;
    if (r.primaryDbm)
        set(Criterion::kPrimary, f.hasPrimary ? AtLeast(f.primaryDbm, *r.primaryDbm) : noPrimary);
    if (r.secondaryDbm)
        set(Criterion::kSecondary,
            f.secondaryDbm ? AtLeast(*f.secondaryDbm, *r.secondaryDbm) : Verdict::kFail);
    if (r.snrDb)
        set(Criterion::kSnr, !f.hasPrimary ? noPrimary
                             : f.snrDb     ? AtLeast(*f.snrDb, *r.snrDb)
                                           : Verdict::kUnknown);
    if (r.cochannelMax)
        set(Criterion::kCochannel,
            f.cochannel ? (*f.cochannel <= *r.cochannelMax ? Verdict::kPass : Verdict::kFail)
                        : noPrimary);
    if (r.apsMin) set(Criterion::kAps, AtLeast(f.apsUsable, *r.apsMin));
    if (r.downMbps)
        set(Criterion::kDown, f.throughput
                                  ? AtLeast(RoundedMbps(f.throughput->downMbps), *r.downMbps)
                                  : Verdict::kUnknown);
    if (r.upMbps)
        set(Criterion::kUp, f.throughput ? AtLeast(RoundedMbps(f.throughput->upMbps), *r.upMbps)
                                         : Verdict::kUnknown);
    out.overall = Combine(out.criteria);
    return out;
}
