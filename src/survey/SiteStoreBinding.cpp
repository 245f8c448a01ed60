#include "survey/SiteStoreBinding.h"

#include "site/SiteRecord.h"
#include "survey/SiteLoader.h"

bool ReadSiteBinding(const std::string& sitePath, StoreBinding& out, std::string& why,
                     int32_t* width, int32_t* height) {
    CSiteLoader loader(sitePath);
    if (const SiteStatus status = loader.ReadPlan(CSiteLoader::kTakeFingerprint); !status.ok) {
        why = status.text;
        return false;
    }
    if (width != nullptr) *width = loader.Plan().width;
    if (height != nullptr) *height = loader.Plan().height;
    return StoreBindingOf(loader.Site(), out);
}
