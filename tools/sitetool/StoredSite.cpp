#include "StoredSite.h"

#include <QFile>

#include "store/StoreBinding.h"
#include "survey/SiteStoreBinding.h"

StoredSite ReadStoredSite(const QString& sitePath, size_t groups) {
    StoredSite out;
    const std::string path = QFile::encodeName(sitePath).toStdString();
    StoreBinding mine, bound;
    std::string why;
    CSurveyStore store(nullptr);
    if (!ReadSiteBinding(path, mine, why) || !store.OpenToRead(path, &bound) ||
        !bound.SamePlan(mine))
        return out;
    out.scale = store.Scale();
    out.coverage = store.Coverage();
    if (!(bound == mine)) return out;
    out.throughput.resize(groups);
    out.noise.resize(groups);
    for (size_t i = 0; i < groups; ++i) {
        out.throughput[i] = store.FilePointThroughput(i);
        out.noise[i] = store.FilePointNoise(i);
    }
    return out;
}
