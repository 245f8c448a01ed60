// The Wi-Fi adapter as the view's source, against the NetworkManager of the
// tests (tests/support/MockNetworkManager: scans that take their time, the
// system bus's limits), the view shown on Qt's offscreen platform:
//
//  - the time from a tap to the recorded point, less the adapter's own scan
//    (the mock stamps the request and the end of its scan in CLOCK_BOOTTIME;
//    what is left is the program's part: the request, the wait's end, the
//    access points' properties, the kernel's dump, the merge, the point);
//  - the user-interface thread's longest stall while a point is measured: a
//    1 ms timer notes the largest gap between its ticks from before the tap
//    to after the point is recorded;
//  - the process's CPU while idle with the adapter connected (getrusage).
//
// wifi_bench [--points N] [--access-points N] [--scan-ms N] [--idle-seconds N] [--verbose 1]
//            [--silent 1] [--get-all-each 1]  (NetworkManager without GetManagedObjects)

#include <sys/resource.h>
#include <time.h>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "MockNetworkManager.h"
#include "ThreadCpu.h"
#include "aplist/ApList.h"
#include "app/TambRUMOView.h"
#include "platform/MessageBoxes.h"
#include "platform/Sounds.h"
#include "site/SiteBuilder.h"
#include "sources/wifi/WifiSource.h"

namespace {

class KeepPoints : public platform::IMessageBoxes {
public:
    int Show(QWidget*, const QString& text, const QString&, unsigned) override {
        std::fprintf(stderr, "box: %s\n", qPrintable(text));
        return platform::IDYES;
    }
};

int64_t BoottimeUs() {
    timespec t{};
    clock_gettime(CLOCK_BOOTTIME, &t);
    return int64_t{t.tv_sec} * 1000000 + t.tv_nsec / 1000;
}

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop until `done` or `boundMs`; false on the bound. Never
// sleeps outside the event loop (as the tests' pump does): the stall meter's
// timer must see only the program's own stalls.
template <typename Done>
bool PumpUntil(Done done, int boundMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > boundMs) return false;
        QEventLoop loop;
        QTimer::singleShot(1, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

std::string MakeSite(const QTemporaryDir& dir) {
    NewSitePlan plan;
    plan.width = 1000;
    plan.height = 700;
    for (int i = 0; i < 256; ++i) plan.colorTable[i] = 0x010101u * static_cast<uint32_t>(i);
    plan.fillRow = [](int32_t y, uint8_t* row) {
        for (int32_t x = 0; x < 1000; ++x)
            row[x] = static_cast<uint8_t>(200 + (x / 50 + y / 50) % 2 * 40);
    };
    const std::vector<uint8_t> bytes = BuildSiteFile(plan, 1000);
    const QString path = dir.filePath(QStringLiteral("bench.hss"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return {};
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    return path.toStdString();
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int IntArg(int argc, char** argv, const char* name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0) return std::atoi(argv[i + 1]);
    return fallback;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const int points = IntArg(argc, argv, "--points", 20);
    const int accessPoints = IntArg(argc, argv, "--access-points", 300);
    const int scanMs = IntArg(argc, argv, "--scan-ms", 500);
    const int idleSeconds = IntArg(argc, argv, "--idle-seconds", 20);
    const bool verbose = IntArg(argc, argv, "--verbose", 0) != 0;
    QApplication app(argc, argv);

    MockNetworkManager nm;
    if (const std::string why = nm.Start(); !why.empty()) {
        std::fprintf(stderr, "wifi_bench: %s\n", why.c_str());
        return 1;
    }
    const QString device = nm.AddWifiDevice(QStringLiteral("wlan0"));
    std::vector<MockNetworkManager::AccessPoint> crowd;
    for (int i = 0; i < accessPoints; ++i)
        crowd.push_back({QByteArray("Network-") + QByteArray::number(i),
                         QStringLiteral("AA:BB:CC:00:%1:%2")
                             .arg(i / 256, 2, 16, QLatin1Char('0'))
                             .arg(i % 256, 2, 16, QLatin1Char('0'))
                             .toUpper(),
                         i % 2 ? 2412u + 5u * static_cast<uint>(i % 13) : 5180u + 20u * (i % 8),
                         -40 - i * 3 % 55});
    nm.AddAccessPoints(device, crowd);
    nm.SetScanning(device, {{"scan_ms", scanMs}});
    nm.OfferManagedObjects(IntArg(argc, argv, "--get-all-each", 0) == 0);

    QTemporaryDir dir;
    KeepPoints boxes;
    platform::SetMessageBoxes(&boxes);
    CTambRUMOView view;
    view.resize(CTambRUMOView::kClientWidth, CTambRUMOView::kClientHeight);
    view.show();
    if (!view.OpenSitePath(QString::fromStdString(MakeSite(dir)))) {
        std::fprintf(stderr, "wifi_bench: the site does not open\n");
        return 1;
    }
    // The program's own source with its real kernel dump (which answers at
    // once here: the mock's wlan0 is no interface of this machine).
    auto owned = std::make_unique<CWifiSource>(nm.ClientBus(), CWifiSource::Options());
    CWifiSource* source = owned.get();
    view.SetSource(std::move(owned));
    source->FindAdapter();
    if (!PumpUntil([&] { return source->State() == SourceState::kConnected; }, 60000)) {
        std::fprintf(stderr, "wifi_bench: the adapter is never found\n");
        return 1;
    }

    platform::Sounds();  // as the program does before its window can be tapped
    struct Silent : platform::ISoundPlayer {
        void Play(const QString&, bool) override {}
    } silent;
    if (IntArg(argc, argv, "--silent", 0) != 0) platform::SetSounds(&silent);

    // The stall meter: a 1 ms timer notes each tick's time (CLOCK_BOOTTIME,
    // the mock's clock) and the user-interface thread's own processor time
    // since the last tick: what the program did there, whatever else ran on
    // the shared machine.
    struct Tick {
        int64_t us, gapUs, busyUs;
    };
    std::vector<Tick> tickLog;
    int64_t lastCpuNs = 0;
    QTimer meter;
    meter.setTimerType(Qt::PreciseTimer);
    meter.setInterval(1);
    QObject::connect(&meter, &QTimer::timeout, [&] {
        const int64_t now = BoottimeUs(), cpu = ThreadCpuNs();
        const int64_t last = tickLog.empty() ? now : tickLog.back().us;
        tickLog.push_back({now, now - last, (cpu - lastCpuNs) / 1000});
        lastCpuNs = cpu;
    });
    // The longest gap and busy stretch of the ticks in [from, to).
    const auto longest = [&](int64_t from, int64_t to, int64_t Tick::*field) {
        int64_t most = 0;
        for (const Tick& t : tickLog)
            if (t.us >= from && t.us < to) most = std::max(most, t.*field);
        return static_cast<double>(most) / 1000.0;
    };
    const auto maxOf = [](const std::vector<double>& v) {
        return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
    };

    std::vector<double> overheadMs, totalMs, scanTimes, quietGap, scanGap, scanBusy, afterGap,
        afterBusy, tapMs;
    for (int i = 0; i < points; ++i) {
        const int before = surveyList.Count();
        // The yardstick: the longest gap while nothing is measured, as long
        // as a point takes.
        tickLog.clear();
        lastCpuNs = ThreadCpuNs();
        meter.start();
        const int64_t quietUs = BoottimeUs();
        PumpUntil([] { return false; }, scanMs + 20);
        const int64_t quietEndUs = BoottimeUs();
        view.OnScroll(MapAxis::kX, SB_THUMBTRACK, CTambRUMOView::kClientWidth / 2);
        view.OnScroll(MapAxis::kY, SB_THUMBTRACK, CTambRUMOView::kClientHeight / 2);
        const int64_t tapUs = BoottimeUs();
        view.OnTap(QPoint(40 + 40 * (i % 20), 40 + 30 * (i / 20 % 20)));
        const int64_t tappedUs = BoottimeUs();
        int64_t recordedUs = 0;
        const bool recorded = PumpUntil(
            [&] {
                if (view.Session().Pending()) return false;
                recordedUs = BoottimeUs();
                return true;
            },
            60000);
        PumpUntil([] { return false; }, 20);
        meter.stop();
        if (!recorded || surveyList.Count() == before) {
            std::fprintf(stderr, "wifi_bench: point %d was not recorded\n", i);
            return 1;
        }
        const QMap<QString, qint64> stamps = nm.Stamps(device);
        const int64_t requested = stamps.value(QStringLiteral("Requested"), -1);
        const int64_t ended = stamps.value(QStringLiteral("Ended"), -1);
        const double total = static_cast<double>(recordedUs - tapUs) / 1000.0;
        const double scan = static_cast<double>(ended - requested) / 1000.0;
        const std::vector<double> row = {
            total,
            scan,
            total - scan,
            static_cast<double>(tappedUs - tapUs) / 1000.0,
            longest(quietUs, quietEndUs, &Tick::gapUs),
            longest(tapUs, ended, &Tick::gapUs),
            longest(tapUs, ended, &Tick::busyUs),
            longest(ended, recordedUs + 20000, &Tick::gapUs),
            longest(ended, recordedUs + 20000, &Tick::busyUs),
        };
        if (verbose)
            std::printf(
                "point %d: tap to point %.1f ms, scan %.1f ms, less the scan %.1f ms, tap "
                "handler %.2f ms, tap to request %.1f ms; longest gap quiet %.2f ms, while "
                "scanning %.2f ms "
                "(busy %.2f ms), after the scan %.2f ms (busy %.2f ms)\n",
                i, row[0], row[1], row[2], row[3], static_cast<double>(requested - tapUs) / 1000.0,
                row[4], row[5], row[6], row[7], row[8]);
        if (i == 0) {
            std::printf(
                "first point (not in the figures below): tap to point less the scan "
                "%.1f ms, tap handler %.2f ms, longest busy stretch %.2f ms\n",
                row[2], row[3], std::max(row[6], row[8]));
            continue;
        }
        totalMs.push_back(row[0]);
        scanTimes.push_back(row[1]);
        overheadMs.push_back(row[2]);
        tapMs.push_back(row[3]);
        quietGap.push_back(row[4]);
        scanGap.push_back(row[5]);
        scanBusy.push_back(row[6]);
        afterGap.push_back(row[7]);
        afterBusy.push_back(row[8]);
    }
    std::printf("points: %d after the first, access points per scan: %d, mock scan: %d ms\n",
                points - 1, accessPoints, scanMs);
    std::printf(
        "tap to recorded point: median %.1f ms, max %.1f ms; the adapter's scan: median "
        "%.1f ms\n",
        Median(totalMs), maxOf(totalMs), Median(scanTimes));
    std::printf("tap to recorded point less the scan: median %.1f ms, max %.1f ms (aim <= 100)\n",
                Median(overheadMs), maxOf(overheadMs));
    std::printf("tap handler: median %.2f ms, max %.2f ms\n", Median(tapMs), maxOf(tapMs));
    std::printf("longest gap of a 1 ms timer, per point, median / max:\n");
    std::printf("  with nothing measured (the machine's own noise): %.2f / %.2f ms\n",
                Median(quietGap), maxOf(quietGap));
    std::printf(
        "  from the tap to the adapter's scan end: %.2f / %.2f ms (aim <= 5); the "
        "thread's own processor time %.2f / %.2f ms\n",
        Median(scanGap), maxOf(scanGap), Median(scanBusy), maxOf(scanBusy));
    std::printf(
        "  from the scan end to the recorded point: %.2f / %.2f ms; the thread's own "
        "processor time %.2f / %.2f ms\n",
        Median(afterGap), maxOf(afterGap), Median(afterBusy), maxOf(afterBusy));
    std::fflush(stdout);

    if (idleSeconds > 0) {
        QElapsedTimer wall;
        wall.start();
        const double cpu0 = CpuSeconds();
        QEventLoop idle;  // the plain event loop: nothing of the bench's own wakes it
        QTimer::singleShot(idleSeconds * 1000, &idle, &QEventLoop::quit);
        idle.exec();
        const double cpu = CpuSeconds() - cpu0;
        const double seconds = static_cast<double>(wall.elapsed()) / 1000.0;
        std::printf(
            "idle with the adapter connected: %.3f s CPU in %.1f s, %.3f %% of a core "
            "(aim <= 0.5)\n",
            cpu, seconds, 100.0 * cpu / seconds);
    }
    return 0;
}
