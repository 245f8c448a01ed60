#include "app/NewSiteFlow.h"

#include <QFileDialog>
#include <QFileInfo>

#include "dialogs/PlanPageDlg.h"
#include "plans/FloorPlan.h"
#include "plans/NewSite.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "platform/WaitCursor.h"

namespace {

const char* const kCaption = "New Site from Floor Plan";

void Tell(QWidget* window, const std::string& text) {
    platform::MessageBox(window, QString::fromStdString(text), QString::fromLatin1(kCaption),
                         platform::MB_OK | platform::MB_ICONEXCLAMATION);
}

QString SizeText(const plans::PlanSize& size) {
    if (!size.fits) return QString::fromStdString(size.why);
    return QStringLiteral("%1 x %2 pixels, %3 MB while it is made")
        .arg(size.width)
        .arg(size.height)
        .arg(double(size.bytes) / (1024.0 * 1024.0), 0, 'f', 1);
}

}  // namespace

QString NewSiteFromFloorPlan(QWidget* window) {
    const QString plan = platform::FileDialogs().GetOpenPlanPath(window);
    if (plan.isEmpty()) return {};
    const plans::PlanProbe probe = plans::ProbePlan(plan);
    if (!probe.ok) {
        Tell(window, probe.why);
        return {};
    }
    plans::NewSiteRequest request;
    request.plan = plan;
    if (probe.kind != plans::PlanKind::kImage) {
        const auto describe = [&](int page, double dpi) {
            return SizeText(plans::SizeAt(plan, probe, page, dpi));
        };
        if (!AskPlanPage(window, QFileInfo(plan).fileName(), probe.pages, request.page, request.dpi,
                         describe))
            return {};
        request.dpiGiven = true;
    }
    const QFileInfo in(plan);
    request.site =
        in.absolutePath() + QLatin1Char('/') + in.completeBaseName() + QStringLiteral(".hss");
    if (QFileInfo::exists(request.site)) {
        // The dialog asks before a file is replaced.
        request.site =
            QFileDialog::getSaveFileName(window, QString::fromLatin1(kCaption), request.site,
                                         QStringLiteral("Site Files (*.hss)"));
        if (request.site.isEmpty()) return {};
        request.replace = QFileInfo::exists(request.site);
    }
    platform::CWaitCursor wait;
    const plans::NewSiteResult made = plans::CreateSiteFromPlan(request);
    wait.Release();
    if (!made.ok) {
        Tell(window, made.why);
        return {};
    }
    if (!made.storeNote.empty()) Tell(window, made.storeNote);
    return request.site;
}
