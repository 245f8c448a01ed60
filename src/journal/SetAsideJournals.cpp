#include "journal/SetAsideJournals.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "journal/JournalWriter.h"
#include "journal/SiteBinding.h"
#include "journal/SurveyJournal.h"

std::string SetAsideJournal::Question() const {
    struct tm t {};
    localtime_r(&setAside, &t);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M", &t);
    const std::string when = std::string("kept aside on ") + date;
    return RecoverQuestion(contents, when, when);
}

std::vector<SetAsideJournal> FindSetAsideJournals(const std::string& sitePath,
                                                  const CSiteRecord& site) {
    namespace fs = std::filesystem;
    std::vector<SetAsideJournal> found;
    JournalBinding binding;
    if (!SiteBindingOf(site, binding)) return found;
    const std::string journal = JournalPathFor(sitePath);
    const fs::path dir = fs::path(journal).parent_path();
    const std::string prefix = fs::path(journal).filename().string();
    std::error_code ec;
    for (fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        SetAsideJournal aside;
        aside.path = (dir.empty() ? fs::path(name) : dir / name).string();
        if (!SetAsideTime(prefix, name, aside.setAside)) continue;
        JournalFile file = ReadJournalFile(aside.path);
        if (!file.error.empty() || MatchJournal(file.contents, binding) != JournalMatch::Matches ||
            file.contents.changes.empty())
            continue;
        aside.contents = std::move(file.contents);
        found.push_back(std::move(aside));
    }
    std::sort(found.begin(), found.end(), [](const SetAsideJournal& a, const SetAsideJournal& b) {
        return a.setAside != b.setAside ? a.setAside > b.setAside : a.path > b.path;
    });
    return found;
}
