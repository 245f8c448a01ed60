// Scans through a NetworkManager that behaves as the daemon does, on a private
// bus with the system bus's limits (tests/support/MockNetworkManager): what is
// recorded, in a busy building and after scans that did not run, which adapter
// is taken, the connected access point's dBm, and how every failure ends the
// scan with one message; recorded sessions replayed against their goldens.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "MockNetworkManager.h"
#include "ScanDumpMessages.h"
#include "WifiRecords.h"
#include "sources/wifi/NetworkManagerScanner.h"
#include "sources/wifi/WifiCapture.h"

namespace {

using M = MockNetworkManager;
using Ap = M::AccessPoint;
constexpr int kNotHeard = MockNetworkManager::kNotHeard;

// Waits in the event loop until pred() holds; false after a generous bound.
bool WaitFor(const std::function<bool()>& pred, int boundMs = 60000) {
    QElapsedTimer clock;
    clock.start();
    while (!pred()) {
        if (clock.elapsed() > boundMs) return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// A scanner of its own on `link`, and what it told, in order.
struct Listened {
    explicit Listened(CNmLink& link, NetworkManagerScanner::Options options = {})
        : scanner(link, std::move(options)) {
        using S = NetworkManagerScanner;
        QObject::connect(&scanner, &S::scanStarted, [this] { events << "started"; });
        QObject::connect(&scanner, &S::accessPointsReceived,
                         [this](const std::vector<WifiReading>& r) {
                             events << "access points";
                             readings = r;
                         });
        QObject::connect(&scanner, &S::scanFinished, [this](const WifiScanSummary& s) {
            summary = s;
            Ended("finished");
        });
        QObject::connect(&scanner, &S::scanLost, [this](const QString& m) { Ended("lost", m); });
        QObject::connect(&scanner, &S::adapterChanged,
                         [this](bool p, const QString& i, const QString& a, const QString& m) {
                             std::tie(present, interface, address, adapterMessage) =
                                 std::tie(p, i, a, m);
                         });
    }
    void Ended(const char* how, const QString& message = {}) {
        events << how;
        lost = message;
        ++ended;
    }
    bool Told() const { return present || !adapterMessage.isEmpty(); }
    // "interface address", or why there is no adapter.
    QString Adapter() const { return present ? interface + " " + address : adapterMessage; }
    // The adapter as FindAdapter tells it.
    QString Found() {
        scanner.FindAdapter();
        return WaitFor([&] { return Told(); }) ? Adapter() : "nothing told";
    }
    // One scan to its end, within boundMs.
    bool Scan(int boundMs = 60000) {
        const int before = ended;
        events.clear();
        readings.clear();
        return scanner.StartScan() && WaitFor([&] { return ended > before; }, boundMs);
    }
    QStringList events;
    std::vector<WifiReading> readings;
    WifiScanSummary summary;
    QString lost;
    int ended = 0;  // scans finished or lost
    bool present = false;
    QString interface, address, adapterMessage;
    NetworkManagerScanner scanner;  // last: destroyed before what its signals write
};

// The kernel's dumps as a test wants them: by default it has nothing to say.
KernelDumps NoKernel(const std::string& name) {
    KernelDumps d;
    d.interfaceName = name;
    d.scan.failure = d.station.failure = d.survey.failure = "no kernel in this test";
    return d;
}

// One option of the device's scans (MockNetworkManager::SetScanning).
QVariantMap Option(const char* name, const QVariant& value) { return {{name, value}}; }

// Three access points every scan hears, on three bands.
std::vector<Ap> ThreeHeard() {
    return {{"CorpNet", "AA:BB:CC:00:11:22", 2437, -54},
            {"Guest", "AA:BB:CC:00:11:33", 5180, -74},
            {"Lab", "AA:BB:CC:00:11:44", 5955, -81}};
}

class AdapterScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string failure = nm.Start();
        ASSERT_EQ(failure, "") << "the mock NetworkManager is needed; run scripts/setup";
    }

    Listened& MakeScanner(NetworkManagerScanner::Options options = {},
                          CBusLink::KernelDumpFn kernel = NoKernel) {
        link = std::make_unique<CBusLink>(nm.ClientBus(), std::move(kernel));
        return *(listened = std::make_unique<Listened>(*link, std::move(options)));
    }

    MockNetworkManager nm;
    std::unique_ptr<CBusLink> link;  // outlives the scanner
    std::unique_ptr<Listened> listened;
};

TEST_F(AdapterScanTest, ScanRecordsWhatItHeardOnEveryBandWithTheKernelsDbmWhereItAnswers) {
    const QString dev = nm.AddWifiDevice("wlan0");
    nm.AddAccessPoints(dev, {{"CorpNet", "AA:BB:CC:00:11:22", 2437, -54},          // 77 %
                             {"Guest", "AA:BB:CC:00:11:33", 5180, -74},            // 44 %
                             {"\xff\x41", "AA:BB:CC:00:11:44", 5955, -81},         // 32 %
                             {"", "AA:BB:CC:00:11:55", 2412, -92},                 // 14 %, hidden
                             {"Earlier", "AA:BB:CC:00:11:66", 2462, kNotHeard}});  // never heard

    auto kernel = [](const std::string& name) {
        using namespace scandump;
        // CorpNet, heard by the kernel's scan; Guest, but from long before it.
        Bss fresh;
        const uint8_t corp[6] = {0xAA, 0xBB, 0xCC, 0x00, 0x11, 0x22};
        std::memcpy(fresh.bssid, corp, 6);
        fresh.mbm = -4750;
        fresh.seenMsAgo.reset();
        fresh.lastSeenNs = static_cast<uint64_t>(BoottimeNowNs());
        Bss stale = fresh;
        stale.bssid[5] = 0x33;
        stale.frequency = 5180;
        stale.lastSeenNs.reset();
        stale.seenMsAgo = 600000;
        KernelDumps d = NoKernel(name);
        d.dumpBoottimeNs = BoottimeNowNs();
        d.scan = {"", {Cat(Cat(Entry(fresh), Entry(stale)), Done())}};
        return d;
    };
    Listened& heard = MakeScanner({}, kernel);
    CApList list;
    for (int scan = 1; scan <= 2; ++scan) {  // two scans at one point, summed as the board's
        ASSERT_TRUE(heard.Scan());
        ASSERT_EQ(heard.events, QStringList({"started", "access points", "finished"}))
            << heard.lost.toStdString();
        MergeWifiReadings(list, heard.readings);
    }
    // The adapter's own address, not the random one NetworkManager scans with.
    EXPECT_EQ(heard.Adapter(), "wlan0 11:22:33:44:55:66");
    const WifiScanSummary& sum = heard.summary;
    EXPECT_EQ(std::make_tuple(sum.accessPoints, sum.kernelDbm, sum.derivedDbm, sum.staleSkipped),
              std::make_tuple(4u, 1u, 3u, 1u));
    EXPECT_EQ(RecordLines(list),
              (std::vector<std::string>{
                  "AABBCC001122 CorpNet/7 ch6 band2 -94/2 +beacon",    // the kernel's -47, twice
                  "AABBCC001133 Guest/5 ch36 band5 -148/2 +beacon",    // 44 % is -74
                  "AABBCC001144 \xff\x41/2 ch1 band6 -162/2 +beacon",  // 32 % is -81
                  "AABBCC001155 /0 ch1 band2 -184/2 +beacon"}));       // 14 % is -92
}

// A busy building: three hundred access points, on the system bus's limits.
std::vector<Ap> Crowd() {
    std::vector<Ap> crowd;
    for (int i = 0; i < 300; ++i)
        crowd.push_back({QByteArray("Net-") + QByteArray::number(i),
                         QStringLiteral("AA:BB:CC:00:%1:%2")
                             .arg(i / 256, 2, 16, QLatin1Char('0'))
                             .arg(i % 256, 2, 16, QLatin1Char('0'))
                             .toUpper(),
                         i % 2 ? 2412u + 5u * static_cast<uint>(i % 13) : 5180u, -40 - i % 55});
    return crowd;
}

// LastScan moves for scans that did not run after the request; the point
// holds what the scan that ran heard, and "nothing heard" needs a scan that
// ran and heard nothing. Only an access point that is gone is left out; any
// other failure to read one is asked again once.
enum class Before { kNothing, kFirstScanOver, kFirstScan };
struct Behaviour {
    const char* name;
    Before before;  // the device's first scan, which moves LastScan at its start
    std::function<void(MockNetworkManager&, const QString& device, const QStringList& aps)> setup;
    size_t readings, wentAway = 0;
    bool managedObjects = true, crowd = false;
};

void PrintTo(const Behaviour& row, std::ostream* os) { *os << row.name; }

// The second access point is gone by the time its properties are read.
void SecondGoes(MockNetworkManager& nm, const QString& device, const QStringList& aps) {
    nm.SetScanning(device, Option("vanish", QStringList{aps[1]}));
}

// (Before::kNothing: the device's first scan moves LastScan at its start.)
const Behaviour kBehaviours[] = {
    {"BusyBuildingInOneGetManagedObjects", Before::kNothing, nullptr, 300, 0, true, true},
    {"BusyBuildingInOneGetAllEach", Before::kNothing, nullptr, 300, 0, false, true},
    {"DeferredBehindAScanUnderWay", Before::kFirstScanOver,
     [](auto& nm, auto& dev, auto&) { nm.StartOwnScan(dev, 1200, false); }, 3},
    {"RejectedBySupplicant", Before::kFirstScanOver,
     [](auto& nm, auto& dev, auto&) { nm.SetScanning(dev, Option("reject", 1)); }, 3},
    {"ScanEndsWhileItsAccessPointsAreRead", Before::kNothing,
     [](auto& nm, auto& dev, auto&) {
         nm.OfferManagedObjects(false);
         nm.SetScanning(dev, {{"scan_ms", 600000}, {"ends_after_reads", 2}});
     },
     3},
    {"NothingHeard", Before::kFirstScanOver,
     [](auto& nm, auto&, auto& aps) {
         for (const QString& ap : aps) nm.SetHeard(ap, {kNotHeard});
     },
     0},
    {"GoneFromOneCall", Before::kFirstScan, SecondGoes, 2, 1},
    {"GoneFromGetAllEach", Before::kFirstScan, SecondGoes, 2, 1, false},
    {"GetAllFailedOnce", Before::kFirstScan,
     [](auto& nm, auto&, auto& aps) {
         nm.Fail("GetAll", aps[1], "org.freedesktop.DBus.Error.LimitsExceeded", "busy", 1);
     },
     3, 0, false},
    {"OneCallFailedOnce", Before::kFirstScan,
     [](auto& nm, auto&, auto&) {
         nm.Fail("GetManagedObjects", "*", "org.freedesktop.DBus.Error.NoReply", "late", 1);
     },
     3},
};

class ScanBehaviourTest : public AdapterScanTest,
                          public ::testing::WithParamInterface<Behaviour> {};

TEST_P(ScanBehaviourTest, ReadingsComeFromAScanThatRanAfterTheRequestAndOnlyTheGoneAreLeftOut) {
    const Behaviour& row = GetParam();
    nm.OfferManagedObjects(row.managedObjects);
    const QString dev = nm.AddWifiDevice("wlan0");
    const QStringList aps = nm.AddAccessPoints(dev, row.crowd ? Crowd() : ThreeHeard());
    Listened& heard = MakeScanner();
    ASSERT_EQ(heard.Found(), "wlan0 11:22:33:44:55:66");
    if (row.before == Before::kFirstScanOver) nm.SetScanning(dev, Option("scanned_before", true));
    // The first scan lists the access points before they are heard: the
    // faults are for the second listing.
    ASSERT_TRUE(row.before != Before::kFirstScan || heard.Scan());
    if (row.setup) row.setup(nm, dev, aps);
    ASSERT_TRUE(heard.Scan());
    ASSERT_EQ(heard.events.last(), "finished") << heard.lost.toStdString();
    EXPECT_EQ(std::make_pair(heard.readings.size(), heard.summary.wentAway),
              std::make_pair(row.readings, row.wentAway));
}

INSTANTIATE_TEST_SUITE_P(Scans, ScanBehaviourTest, ::testing::ValuesIn(kBehaviours),
                         [](const auto& info) { return std::string(info.param.name); });

// Every way a scan can fail ends it once, as lost, with a message naming the
// error. A refusal by polkit takes the path of Unavailable; its message is in
// the recorded session's golden and in source_tests.
struct Failure {
    const char* name;
    std::function<void(MockNetworkManager&)> before;  // sets the bus up
    std::function<void(MockNetworkManager&)> during;  // after NetworkManager took the request
    const char* message;                              // part of the one message
    bool adapterStays;
    int boundMs = 120000;  // a scan that something ends on purpose must not meet the bound
};

void PrintTo(const Failure& row, std::ostream* os) { *os << row.name; }

QString Wifi0(MockNetworkManager& nm, uint state = MockNetworkManager::kDisconnected) {
    const QString dev = nm.AddWifiDevice("wlan0", "11:22:33:44:55:66", true, state);
    nm.AddAccessPoints(dev, ThreeHeard());
    return dev;
}

const Failure kFailures[] = {
    {"Unavailable", [](auto& nm) { Wifi0(nm, M::kUnavailable); }, nullptr,
     "refused the Wi-Fi scan on wlan0: the adapter is unavailable (is Wi-Fi switched off?) "
     "(org.freedesktop.NetworkManager.Device.NotAllowed: Scanning not allowed while unavailable)",
     true},
    {"DeviceRemoved", [](auto& nm) { Wifi0(nm); },
     [](auto& nm) { nm.RemoveDevice("/org/freedesktop/NetworkManager/Devices/1"); },
     "The Wi-Fi adapter wlan0 went away during the scan "
     "(org.freedesktop.NetworkManager.DeviceRemoved)",
     false},
    {"NetworkManagerLeaves", [](auto& nm) { Wifi0(nm); }, [](auto& nm) { nm.StopNetworkManager(); },
     "NetworkManager left the system bus during the scan (org.freedesktop.DBus.NameOwnerChanged)",
     false},
    {"HeldBackWhileAConnectionActivates", [](auto& nm) { Wifi0(nm, M::kConfig); }, nullptr,
     "NetworkManager held the Wi-Fi scan on wlan0 back while it activated a connection; no scan "
     "ran within 1 s",
     true, 1000},
    {"ScanNeverEnds", [](auto& nm) { nm.SetScanning(Wifi0(nm), Option("scan_ms", 600000)); },
     nullptr, "NetworkManager did not finish the scan on wlan0 within 1 s", true, 1000},
    {"PropertiesFailTwice",
     [](auto& nm) {
         nm.OfferManagedObjects(false);
         Wifi0(nm);
         nm.Fail("GetAll", "/org/freedesktop/NetworkManager/AccessPoint/3",
                 "org.freedesktop.DBus.Error.LimitsExceeded", "too many", 2);
     },
     nullptr,
     "NetworkManager did not describe the access point "
     "/org/freedesktop/NetworkManager/AccessPoint/3 of wlan0; the scan is given up rather than "
     "recorded without it (org.freedesktop.DBus.Error.LimitsExceeded: too many)",
     true},
    {"ManagedObjectsFailTwice",
     [](auto& nm) {
         Wifi0(nm);
         nm.Fail("GetManagedObjects", "*", "org.freedesktop.DBus.Error.NoReply", "late", 2);
     },
     nullptr, "(org.freedesktop.DBus.Error.NoReply: late)", true},
    {"NoWifiDevice", [](auto& nm) { nm.AddEthernetDevice("eth0"); }, nullptr,
     "NetworkManager lists no Wi-Fi device", false},
    {"NoNetworkManager", [](auto& nm) { nm.StopNetworkManager(); }, nullptr,
     "NetworkManager is not running (org.freedesktop.DBus.Error.ServiceUnknown", false},
};

class ScanFailureTest : public AdapterScanTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(ScanFailureTest, EndsTheScanAsLostWithOneMessageNamingTheError) {
    const Failure& f = GetParam();
    f.before(nm);
    Listened& heard =
        MakeScanner({.interfaceName = {}, .scanBound = std::chrono::milliseconds(f.boundMs)});
    if (f.during) {
        ASSERT_TRUE(heard.scanner.StartScan());
        ASSERT_TRUE(WaitFor([&] { return heard.events.contains("started"); }));
        f.during(nm);
        ASSERT_TRUE(WaitFor([&] { return heard.ended > 0; }));
    } else {
        ASSERT_TRUE(heard.Scan());
    }
    EXPECT_EQ(heard.ended, 1);
    EXPECT_EQ(heard.events.last(), "lost");
    EXPECT_FALSE(heard.events.contains("access points"));
    EXPECT_TRUE(heard.lost.contains(QLatin1String(f.message))) << heard.lost.toStdString();
    EXPECT_EQ(heard.scanner.HasAdapter(), f.adapterStays);
    EXPECT_FALSE(heard.scanner.Scanning());
    if (!f.adapterStays) {
        EXPECT_FALSE(heard.present);
        EXPECT_EQ(heard.adapterMessage, heard.lost);
    }
}

INSTANTIATE_TEST_SUITE_P(Failures, ScanFailureTest, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AdapterScanTest, TheAdapterIsTheFirstNetworkManagerManagesAndCanUseOrTheOneNamed) {
    // A device is unmanaged only in kUnmanaged.
    const struct {
        std::vector<std::pair<const char*, uint>> devices;  // wlanN's address ends in N + 1
        const char* wanted;
        const char* found;  // "interface address", or the message
    } rows[] = {
        {{{"wlan0", M::kUnmanaged}, {"wlan1", M::kDisconnected}}, "", "wlan1 02:00:00:00:00:02"},
        {{{"wlan0", M::kUnavailable}, {"wlan1", M::kActivated}}, "", "wlan1 02:00:00:00:00:02"},
        {{{"wlan0", M::kUnavailable}}, "", "wlan0 02:00:00:00:00:01"},
        {{{"wlan0", M::kUnmanaged}},
         "",
         "NetworkManager manages none of its Wi-Fi devices (wlan0 unmanaged)"},
        {{{"wlan0", M::kDisconnected}, {"wlan1", M::kUnmanaged}},
         "wlan1",
         "NetworkManager does not manage the Wi-Fi device wlan1 (\"nmcli device set wlan1 "
         "managed yes\" hands it over)"},
        {{{"wlan0", M::kDisconnected}},
         "wlan7",
         "NetworkManager lists no Wi-Fi device named wlan7"},
    };
    for (const auto& row : rows) {
        MockNetworkManager own;
        ASSERT_EQ(own.Start(), "");
        for (const auto& [interface, state] : row.devices)
            own.AddWifiDevice(interface,
                              QStringLiteral("02:00:00:00:00:0%1").arg(interface[4] - '0' + 1),
                              state != M::kUnmanaged, state);
        CBusLink link(own.ClientBus(), NoKernel);
        EXPECT_EQ(Listened(link, {.interfaceName = row.wanted}).Found(), row.found);
    }
}

TEST_F(AdapterScanTest, AnAdapterWithoutItsOwnAddressShowsItsCurrentOneAndOneThatCameBackIsFound) {
    const QString dev = nm.AddWifiDevice("wlan1", "");
    Listened& heard = MakeScanner({.interfaceName = "wlan1"});
    ASSERT_TRUE(heard.Found().startsWith("wlan1 ")) << heard.adapterMessage.toStdString();
    EXPECT_EQ(heard.address.size(), 17) << heard.address.toStdString();  // HwAddress

    nm.RemoveDevice(dev);
    ASSERT_TRUE(WaitFor([&] { return !heard.present; }));
    EXPECT_EQ(heard.interface, "wlan1");
    EXPECT_TRUE(heard.adapterMessage.contains("went away")) << heard.adapterMessage.toStdString();
    nm.AddWifiDevice("wlan1");
    ASSERT_TRUE(WaitFor([&] { return heard.present; }));
    EXPECT_EQ(heard.scanner.InterfaceName(), "wlan1");
}

TEST_F(AdapterScanTest, TheConnectedAccessPointsDbmIsNeverTheScanMappingOfTheStationValue) {
    // CorpNet's beacons come in at -60 dBm (67 % by the scan's mapping); the
    // connection's signal is -54 dBm (66 % by the station's).
    const struct {
        const char* what;
        bool refreshAfterScan;  // the 6 s refresh came between the scan's end and the reading
        bool kernelStation;     // the kernel has the station's signal
        int16_t dbm;
    } rows[] = {
        {"the scan's entry set the percentage last", false, false, -60},
        {"the station refresh set it last", true, false, -54},
        {"the kernel's station information", true, true, -49},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        MockNetworkManager own;
        ASSERT_EQ(own.Start(), "");
        const QString dev = own.AddWifiDevice("wlan0");
        const QStringList aps =
            own.AddAccessPoints(dev, {{"CorpNet", "AA:BB:CC:00:11:22", 2437, -60},
                                      {"Guest", "AA:BB:CC:00:11:33", 5180, -74}});
        own.Connect(dev, aps[0], -54);
        own.SetScanning(dev, {{"refresh_after_scan", row.refreshAfterScan}});
        CBusLink link(own.ClientBus(), [&](const std::string& name) {
            KernelDumps d = NoKernel(name);
            if (row.kernelStation)
                d.station = {"",
                             {scandump::Cat(scandump::StationEntry(
                                                {0xAA, 0xBB, 0xCC, 0x00, 0x11, 0x22}, -47, -49),
                                            scandump::Done())}};
            return d;
        });
        Listened h(link);
        ASSERT_TRUE(h.Scan());
        ASSERT_EQ(h.readings.size(), 2u) << h.lost.toStdString();
        const auto corp = std::find_if(h.readings.begin(), h.readings.end(),
                                       [](const WifiReading& r) { return r.mac[5] == 0x22; });
        ASSERT_NE(corp, h.readings.end());
        EXPECT_EQ(corp->dbm, row.dbm);
    }
}

TEST(AdapterWithoutBusTest, TheScanIsLostFromTheEventLoopNotFromInsideStartScan) {
    const QString name = QStringLiteral("no-bus");
    CBusLink link(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), name),
                  NoKernel);
    Listened heard(link);
    ASSERT_TRUE(heard.scanner.StartScan());
    EXPECT_EQ(heard.ended, 0) << "a signal from inside StartScan";
    ASSERT_TRUE(WaitFor([&] { return heard.ended > 0; }));
    EXPECT_TRUE(heard.lost.startsWith("No system bus (org.freedesktop.DBus.Error."))
        << heard.lost.toStdString();
    QDBusConnection::disconnectFromBus(name);
}

// A reading as a golden line: bytes outside printable ASCII as \xNN.
std::string ReadingLine(const WifiReading& r) {
    static const char* const kSources[] = {"kernel", "kernel-station", "percent",
                                           "station-percent"};
    QString line = "  " + QByteArray(reinterpret_cast<const char*>(r.mac), 6).toHex().toUpper();
    line += " ssid=\"";
    for (uint8_t i = 0; i < r.ssidLength && i < sizeof r.ssid; ++i)
        line += r.ssid[i] >= 0x20 && r.ssid[i] < 0x7F && r.ssid[i] != '\\'
                    ? QString(QChar(r.ssid[i]))
                    : QString::asprintf("\\x%02X", r.ssid[i]);
    return (line + QString::asprintf("\" ch=%d band=%d dbm=%d %s", r.channel.number,
                                     static_cast<int>(r.channel.band), r.dbm,
                                     kSources[static_cast<int>(r.source)]))
        .toStdString();
}

// Every capture in tests/data/wifi, recorded with pellorin --wifi --capture,
// replayed into a scanner that looks for the adapter and then scans as often
// as the surveyor tapped; what it told is compared with NAME.golden (see
// tests/data/wifi/README.md; PELLORIN_UPDATE_GOLDEN=1 rewrites the lines
// below the golden's # header).
TEST(CaptureReplayTest, RecordedSessionsReplayAsTheirGoldenFiles) {
    namespace fs = std::filesystem;
    const bool update = std::getenv("PELLORIN_UPDATE_GOLDEN") != nullptr;
    int replayed = 0;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(fs::path(PELLORIN_TEST_DATA) / "wifi")) {
        if (entry.path().extension() != ".capture") continue;
        SCOPED_TRACE(entry.path().filename().string());
        fs::path goldenPath = entry.path();
        goldenPath.replace_extension(".golden");
        std::vector<std::string> header, expected, actual;
        std::ifstream in(goldenPath);
        for (std::string line; std::getline(in, line);)
            if (!line.empty()) (line[0] == '#' ? header : expected).push_back(line);
        ASSERT_FALSE(header.empty()) << "the golden must say where the capture came from";

        std::vector<WifiCaptureRecord> records;
        QString error;
        ASSERT_TRUE(LoadWifiCapture(QString::fromStdString(entry.path().string()), records, error))
            << error.toStdString();
        CReplayLink link(std::move(records));
        Listened heard(link);
        const QString found = heard.Found();
        actual.push_back((heard.present ? "adapter " : "no adapter: ") + found.toStdString());
        for (int scan = 1; scan <= 20 && !link.Finished(); ++scan) {
            ASSERT_TRUE(heard.Scan(20000))
                << "scan " << scan << ": " << link.Divergences().join("; ").toStdString();
            const WifiScanSummary& sum = heard.summary;
            actual.push_back(
                (heard.events.last() == "lost"
                     ? QString::asprintf("scan %d lost: ", scan) + heard.lost
                     : QString::asprintf("scan %d finished aps=%zu kernel=%zu stale=%zu away=%zu",
                                         scan, sum.accessPoints, sum.kernelDbm, sum.staleSkipped,
                                         sum.wentAway))
                    .toStdString());
            if (heard.events.last() == "lost") continue;
            std::vector<std::string> lines;
            for (const WifiReading& r : heard.readings) lines.push_back(ReadingLine(r));
            std::sort(lines.begin(), lines.end());
            actual.insert(actual.end(), lines.begin(), lines.end());
        }
        actual.push_back("end divergences=" + std::to_string(link.Divergences().size()));
        if (update) {
            std::ofstream out(goldenPath);
            for (const std::string& l : header) out << l << '\n';
            for (const std::string& l : actual) out << l << '\n';
        } else {
            EXPECT_EQ(actual, expected);
        }
        ++replayed;
    }
    EXPECT_GT(replayed, 0);
}

TEST(CaptureReplayTest, ANetworkManagerThatStopsAnsweringWhileAccessPointsAreReadEndsTheScan) {
    // The recorded session with its first GetManagedObjects never answered.
    std::vector<WifiCaptureRecord> records, cut;
    QString error;
    ASSERT_TRUE(LoadWifiCapture(PELLORIN_TEST_DATA "/wifi/office-session.capture", records, error))
        << error.toStdString();
    int unanswered = 0;
    for (const WifiCaptureRecord& r : records) {
        if (unanswered == 0 && r.kind == 'C' &&
            r.data.value("method").toString() == "GetManagedObjects")
            unanswered = r.data.value("id").toInt();
        if (r.kind != 'R' || r.data.value("id").toInt() != unanswered) cut.push_back(r);
    }
    CReplayLink link(std::move(cut));
    NetworkManagerScanner::Options options;
    options.collectBound = std::chrono::milliseconds(300);
    Listened heard(link, options);
    ASSERT_TRUE(heard.Scan(10000));
    EXPECT_EQ(heard.events, QStringList({"started", "lost"}));
    EXPECT_EQ(heard.lost,
              "NetworkManager did not describe the access points of wlan0 within 0.3 s; the scan "
              "is given up rather than recorded without them");
    EXPECT_TRUE(heard.scanner.HasAdapter());
}

}  // namespace
