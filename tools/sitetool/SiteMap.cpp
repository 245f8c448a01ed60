// The whole of a site file as the map screen and the report need it: the
// plan, the circles of its points on a layer, the survey entries and the
// signature.

#include <QFile>

#include "SiteCommands.h"

SiteMap::SiteMap(const QString& sitePath) : loaded(QFile::encodeName(sitePath).toStdString()) {}

SiteStatus LoadSiteMap(SiteMap& map) {
    SiteStatus status = map.loaded.ReadPlan(CSiteLoader::kSkipFingerprint);
    if (status.ok) status = map.loaded.ReadPoints();
    if (status.ok) map.signature = map.loaded.ReadSignature();
    return status;
}
