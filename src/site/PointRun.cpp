#include "site/PointRun.h"

#include "aplist/ApList.h"

namespace {

bool AtPoint(const ApRecord* r, double x, double y) {
    return static_cast<double>(r->x) == x && static_cast<double>(r->y) == y;
}

ApRecord* RunStart(const CApList& list, int32_t first) {
    ApRecord* r = nullptr;
    if (first >= 1) list.GetAt(r, first);
    return r;
}

}  // namespace

int32_t CountPointRun(const CApList& list, int32_t first, double x, double y) {
    int32_t n = 0;
    for (ApRecord* r = RunStart(list, first); r != nullptr && AtPoint(r, x, y); list.GetNext(r))
        ++n;
    return n;
}

int32_t RemovePointRun(CApList& list, int32_t first, double x, double y) {
    int32_t n = 0;
    ApRecord* r = RunStart(list, first);
    while (r != nullptr && AtPoint(r, x, y)) {
        ApRecord* following = r;
        list.GetNext(following);
        list.Remove(r);
        r = following;
        ++n;
    }
    return n;
}
