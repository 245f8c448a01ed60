// Scans through NetworkManager on a private bus with python3-dbusmock's
// NetworkManager template: what is recorded, and how every failure ends the
// scan with one message.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstring>
#include <functional>
#include <memory>

#include "MockNetworkManager.h"
#include "WifiRecords.h"
#include "sources/wifi/NetworkManagerScanner.h"

namespace {

const QString kAccessPoint = QStringLiteral("org.freedesktop.NetworkManager.AccessPoint");
const QString kWireless = QStringLiteral("org.freedesktop.NetworkManager.Device.Wireless");

// Waits in the event loop until pred() holds; false after a generous bound.
bool WaitFor(const std::function<bool()>& pred, int boundMs = 30000) {
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

// What the scanner told, in order.
struct Heard {
    QStringList events;
    std::vector<WifiReading> readings;
    WifiScanSummary summary;
    QString lost;
    int ended = 0;  // scans finished or lost
    bool present = false;
    QString interface, address, adapterMessage;

    void Listen(NetworkManagerScanner& s) {
        QObject::connect(&s, &NetworkManagerScanner::scanStarted, [this] { events << "started"; });
        QObject::connect(&s, &NetworkManagerScanner::accessPointsReceived,
                         [this](const std::vector<WifiReading>& batch) {
                             events << "access points";
                             readings = batch;
                         });
        QObject::connect(&s, &NetworkManagerScanner::scanFinished,
                         [this](const WifiScanSummary& s) {
                             events << "finished";
                             summary = s;
                             ++ended;
                         });
        QObject::connect(&s, &NetworkManagerScanner::scanLost, [this](const QString& m) {
            events << "lost";
            lost = m;
            ++ended;
        });
        QObject::connect(&s, &NetworkManagerScanner::adapterChanged,
                         [this](bool p, const QString& i, const QString& a, const QString& m) {
                             present = p;
                             interface = i;
                             address = a;
                             adapterMessage = m;
                         });
    }
};

// The kernel's dump as a test wants it: by default it has nothing to say.
KernelScan NoKernel(const std::string&) {
    KernelScan k;
    k.error = "no kernel in this test";
    return k;
}

class AdapterScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string failure = nm.Start();
        ASSERT_EQ(failure, "") << "the mock NetworkManager is needed; run scripts/setup";
    }

    std::unique_ptr<NetworkManagerScanner> MakeScanner(
        NetworkManagerScanner::Options options = {}) {
        if (!options.kernelDump) options.kernelDump = NoKernel;
        auto s = std::make_unique<NetworkManagerScanner>(nm.ClientBus(), std::move(options));
        heard.Listen(*s);
        return s;
    }

    // One scan from start to end.
    void Scan(NetworkManagerScanner& s) {
        const int before = heard.ended;
        heard.events.clear();
        ASSERT_TRUE(s.StartScan());
        ASSERT_TRUE(WaitFor([&] { return heard.ended > before; }));
    }

    MockNetworkManager nm;
    Heard heard;
};

TEST_F(AdapterScanTest, ScanRecordsWhatItHeardOnEveryBandWithTheKernelsDbmWhereItAnswers) {
    const QString dev = nm.AddWifiDevice("wifi0", "wlan0");
    const QString corp = nm.AddAccessPoint(dev, "corp", "CorpNet", "AA:BB:CC:00:11:22", 2437, 77);
    const QString guest = nm.AddAccessPoint(dev, "guest", "Guest", "AA:BB:CC:00:11:33", 5180, 44);
    const QString odd = nm.AddAccessPoint(dev, "odd", "x", "AA:BB:CC:00:11:44", 5955, 32);
    const QString hidden = nm.AddAccessPoint(dev, "hidden", "", "AA:BB:CC:00:11:55", 2412, 14);
    nm.AddAccessPoint(dev, "old", "Earlier", "AA:BB:CC:00:11:66", 2462, 100);  // not heard now
    nm.SetProperty(odd, kAccessPoint, "Ssid", QByteArray("\xff\x41", 2));
    nm.ScriptRequestScan(dev, MockNetworkManager::ScanHearing({corp, guest, odd, hidden}));

    NetworkManagerScanner::Options options;
    options.kernelDump = [](const std::string& name) {
        KernelScan k;
        k.answered = name == "wlan0";
        k.dumpBoottimeNs = BoottimeNowNs();
        // CorpNet, heard by the kernel's scan; Guest, but from long before it.
        const KernelBss fresh{
            {0xAA, 0xBB, 0xCC, 0x00, 0x11, 0x22}, 2437, true, -4750, false, 0, true};
        KernelBss stale = fresh;
        stale.bssid[5] = 0x33;
        stale.frequencyMhz = 5180;
        stale.seenMsAgo = 600000;
        k.entries = {fresh, stale};
        return k;
    };
    auto scanner = MakeScanner(options);
    CApList list;
    for (int scan = 1; scan <= 2; ++scan) {  // two scans at one point, summed as the board's
        Scan(*scanner);
        ASSERT_EQ(heard.events, QStringList({"started", "access points", "finished"}))
            << heard.lost.toStdString();
        MergeWifiReadings(list, heard.readings);
    }
    EXPECT_TRUE(heard.present);
    EXPECT_EQ(heard.interface + " " + heard.address, "wlan0 11:22:33:44:55:66");
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

// Every way a scan can fail ends it once, as lost, with a message naming the error.
struct Failure {
    const char* name;
    std::function<void(MockNetworkManager&)> before;  // sets the bus up
    std::function<void(MockNetworkManager&)> during;  // after NetworkManager took the request
    const char* message;                              // part of the one message
    bool adapterStays;
};

QString RaiseFromRequestScan(const char* error) {
    return QStringLiteral("raise dbus.exceptions.DBusException('refused', name='%1')").arg(error);
}

const Failure kFailures[] = {
    {"NotAllowed",
     [](MockNetworkManager& nm) {
         nm.ScriptRequestScan(
             nm.AddWifiDevice("wifi0", "wlan0"),
             RaiseFromRequestScan("org.freedesktop.NetworkManager.Device.NotAllowed"));
     },
     nullptr,
     "refused the Wi-Fi scan on wlan0 (org.freedesktop.NetworkManager.Device.NotAllowed: refused)",
     true},
    {"AccessDenied",
     [](MockNetworkManager& nm) {
         nm.ScriptRequestScan(nm.AddWifiDevice("wifi0", "wlan0"),
                              RaiseFromRequestScan("org.freedesktop.DBus.Error.AccessDenied"));
     },
     nullptr, "(org.freedesktop.DBus.Error.AccessDenied: refused)", true},
    {"DeviceRemoved", [](MockNetworkManager& nm) { nm.AddWifiDevice("wifi0", "wlan0"); },
     [](MockNetworkManager& nm) {
         nm.RemoveDevice("/org/freedesktop/NetworkManager/Devices/wifi0");
     },
     "The Wi-Fi adapter wlan0 went away during the scan "
     "(org.freedesktop.NetworkManager.DeviceRemoved)",
     false},
    {"NetworkManagerLeaves", [](MockNetworkManager& nm) { nm.AddWifiDevice("wifi0", "wlan0"); },
     [](MockNetworkManager& nm) { nm.StopNetworkManager(); },
     "NetworkManager left the system bus during the scan (org.freedesktop.DBus.NameOwnerChanged)",
     false},
    {"ScanNeverEnds", [](MockNetworkManager& nm) { nm.AddWifiDevice("wifi0", "wlan0"); }, nullptr,
     "NetworkManager did not finish the scan on wlan0 within 1 s", true},
    {"NoWifiDevice", [](MockNetworkManager& nm) { nm.AddEthernetDevice("eth", "eth0"); }, nullptr,
     "NetworkManager lists no Wi-Fi device", false},
    {"NoNetworkManager", [](MockNetworkManager& nm) { nm.StopNetworkManager(); }, nullptr,
     "NetworkManager is not running (org.freedesktop.DBus.Error.ServiceUnknown", false},
};

class ScanFailureTest : public AdapterScanTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(ScanFailureTest, EndsTheScanAsLostWithOneMessageNamingTheError) {
    const Failure& f = GetParam();
    f.before(nm);
    NetworkManagerScanner::Options options;
    // A scan that something ends on purpose must not meet the bound first.
    options.scanBound = std::chrono::milliseconds(f.during ? 120000 : 1000);
    auto scanner = MakeScanner(options);
    if (f.during) {
        ASSERT_TRUE(scanner->StartScan());
        ASSERT_TRUE(WaitFor([&] { return heard.events.contains("started"); }));
        f.during(nm);
        ASSERT_TRUE(WaitFor([&] { return heard.ended > 0; }));
    } else {
        Scan(*scanner);
    }
    EXPECT_EQ(heard.ended, 1);
    EXPECT_EQ(heard.events.last(), "lost");
    EXPECT_FALSE(heard.events.contains("access points"));
    EXPECT_TRUE(heard.lost.contains(QLatin1String(f.message))) << heard.lost.toStdString();
    EXPECT_EQ(scanner->HasAdapter(), f.adapterStays);
    EXPECT_FALSE(scanner->Scanning());
    if (!f.adapterStays) {
        EXPECT_FALSE(heard.present);
        EXPECT_EQ(heard.adapterMessage, heard.lost);
    }
}

INSTANTIATE_TEST_SUITE_P(Failures, ScanFailureTest, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AdapterScanTest, TheNamedAdapterIsUsedAndOneThatCameBackIsFoundAgain) {
    nm.AddWifiDevice("wifi0", "wlan0");
    const QString second = nm.AddWifiDevice("wifi1", "wlan1");
    nm.SetProperty(second, kWireless, "HwAddress", QStringLiteral("02:00:00:00:00:01"));
    NetworkManagerScanner::Options options;
    options.interfaceName = "wlan1";
    auto scanner = MakeScanner(options);
    scanner->FindAdapter();
    ASSERT_TRUE(WaitFor([&] { return heard.present; }));
    EXPECT_EQ(heard.interface, "wlan1");
    EXPECT_EQ(heard.address, "02:00:00:00:00:01");

    nm.RemoveDevice(second);
    ASSERT_TRUE(WaitFor([&] { return !heard.present; }));
    EXPECT_EQ(heard.interface, "wlan1");
    EXPECT_TRUE(heard.adapterMessage.contains("went away")) << heard.adapterMessage.toStdString();
    nm.AddWifiDevice("wifi2", "wlan1");
    ASSERT_TRUE(WaitFor([&] { return heard.present; }));
    EXPECT_EQ(scanner->InterfaceName(), "wlan1");

    options.interfaceName = "wlan7";
    auto absent = MakeScanner(options);
    Scan(*absent);
    EXPECT_EQ(heard.lost, "NetworkManager lists no Wi-Fi device named wlan7");
}

TEST(AdapterWithoutBusTest, TheScanIsLostFromTheEventLoopNotFromInsideStartScan) {
    const QString name = QStringLiteral("no-bus");
    NetworkManagerScanner::Options options;
    options.kernelDump = NoKernel;
    NetworkManagerScanner scanner(
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), name), options);
    Heard heard;
    heard.Listen(scanner);
    ASSERT_TRUE(scanner.StartScan());
    EXPECT_EQ(heard.ended, 0) << "a signal from inside StartScan";
    ASSERT_TRUE(WaitFor([&] { return heard.ended > 0; }));
    EXPECT_TRUE(heard.lost.startsWith("No system bus (org.freedesktop.DBus.Error."))
        << heard.lost.toStdString();
    QDBusConnection::disconnectFromBus(name);
}

}  // namespace
