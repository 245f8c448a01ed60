#pragma once
// Fakes for the view's platform seams and a fixture that resets the
// program-wide state (theBoard, the lists, g_pSite) around every test.

#include <gtest/gtest.h>

#include <QEvent>
#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "app/BoardHookup.h"
#include "app/TambRUMOView.h"
#include "app/ViewDialogs.h"
#include "dialogs/LocationInfoDlg.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "platform/Sounds.h"
#include "screens/MapPainting.h"

struct ShownBox {
    QString text, caption;
    unsigned type;
};

class FakeMessageBoxes : public platform::IMessageBoxes {
public:
    std::deque<int> answers;  // taken in order; IDOK when empty
    std::vector<ShownBox> shown;
    std::function<void()> onShow;  // runs while the box is "up", as a user's action would
    int Show(QWidget*, const QString& text, const QString& caption, unsigned type) override {
        shown.push_back({text, caption, type});
        if (onShow) onShow();
        const int a = answers.empty() ? platform::IDOK : answers.front();
        if (!answers.empty()) answers.pop_front();
        return a;
    }
};

class FakeFileDialogs : public platform::IFileDialogs {
public:
    QString next;      // empty: cancelled
    QString saveNext;  // Save As's answer; empty: cancelled
    int saveShown = 0;
    QString plan;  // the floor plan for Ctrl+N; empty: cancelled
    int planShown = 0;
    QString GetOpenSitePath(QWidget*) override { return next; }
    QString GetOpenPlanPath(QWidget*) override {
        ++planShown;
        return plan;
    }
    QString GetSaveSitePath(QWidget*) override {
        ++saveShown;
        return saveNext;
    }
};

class FakeSounds : public platform::ISoundPlayer {
public:
    std::vector<std::pair<QString, bool>> played;  // name, wait
    void Play(const QString& name, bool wait) override { played.push_back({name, wait}); }
};

// Signs with a diagonal stroke.
class FakeSignature : public ISignature {
public:
    uint32_t GetSignaturePixel(int x, int y) const override {
        return x == y ? 0x00000000u : 0x00FFFFFFu;
    }
};

class FakeViewDialogs : public IViewDialogs {
public:
    int locationResult = 1;  // CLocationInfoDlg::kDeleted: the surveyor deletes the point
    int locationShown = 0;
    bool signOffClosed = false;  // closed without "SAVE SITE SURVEY"
    int signOffShown = 0;
    std::string locationNoise;
    int LocationInfo(QWidget*, const std::optional<ThroughputOutcome>&,
                     const std::string& noise) override {
        ++locationShown;
        locationNoise = noise;
        return locationResult;  // as the dialog's delete button answers
    }
    std::unique_ptr<ISignature> SignOff(QWidget*) override {
        ++signOffShown;
        if (signOffClosed) return nullptr;
        return std::make_unique<FakeSignature>();
    }
    void ColorCodes(QWidget*) override {}
    void Help(QWidget*) override {}
    void About(QWidget*) override {}
    // The choice the surveyor makes in "Networks"; nullopt closes it.
    std::optional<std::pair<NetworkChoice, int32_t>> networksAnswer;
    NetworkCatalogue networksShown;
    std::string networksUnit;
    bool Networks(QWidget*, const NetworkCatalogue& catalogue, NetworkChoice& choice,
                  int32_t& radius, const RadiusRange& range) override {
        networksShown = catalogue;
        networksUnit = range.suffix;
        if (!networksAnswer) return false;
        std::tie(choice, radius) = *networksAnswer;
        return true;
    }
    // The distance typed into "Set Scale"; nullopt cancels it. `whileScaleAsked`
    // looks at the window while the dialog would hold it.
    std::optional<double> scaleAnswer;
    double scaleAsked = 0;
    std::function<void()> whileScaleAsked;
    std::optional<double> ScaleDistance(QWidget*, double pixels) override {
        scaleAsked = pixels;
        if (whileScaleAsked) whileScaleAsked();
        return scaleAnswer;
    }
    // What the surveyor chooses in "Map Shows" and "iperf3 Server" (nothing:
    // closed; for the server, an empty text is CLEAR), and what was told.
    std::optional<std::pair<CoverageLayer, std::string>> mapShowsAnswer;
    std::optional<std::string> iperfAnswer;
    std::string told;
    int mapShowsShown = 0, iperfShown = 0;
    bool MapShows(QWidget*, const CoverageLayer&, const std::string&,
                  const MapShowsChoose& choose) override {
        ++mapShowsShown;
        if (!mapShowsAnswer) return false;
        told = choose(mapShowsAnswer->first, mapShowsAnswer->second);
        return told.empty();
    }
    bool IperfServer(QWidget*, const std::string&, const IperfChoose& choose) override {
        ++iperfShown;
        if (!iperfAnswer) return false;
        told = choose(*iperfAnswer);
        return told.empty();
    }
};

// Resets theBoard, scanList, surveyList and g_pSite; installs the fakes.
class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A site file of `width` x `height` whose palette index at (x, y) is
    // (x / 16 + y / 16) % 4 over four colours (SiteColour); in the temp dir.
    std::string MakeSite(const char* name, int width = 240, int height = 268);
    // A view of 240 x 268 client pixels with the fakes installed.
    std::unique_ptr<CTambRUMOView> MakeView();
    // A view with a fresh site of `width` x `height` open.
    std::unique_ptr<CTambRUMOView> OpenedView(int width = 240, int height = 268);
    // Opens `path` answering the keep-points question with `keep` (and the
    // question whether to save unsaved points first with No).
    bool Open(CTambRUMOView& view, const std::string& path, bool keep);
    // Feeds theBoard one finished scan with the given APs and lets the view
    // record it.
    struct Ap {
        uint8_t macLast;
        std::vector<int16_t> readings;
        uint8_t channel;
        const char* ssid;
    };
    void FinishScan(CTambRUMOView& view, const std::vector<Ap>& aps);
    // Puts the cursor back at the middle of a 240 x 268 site: the whole map
    // in view, one world unit per pixel.
    static void Recentre(CTambRUMOView& view);
    // Recentre, then taps client (x, y) = world (x, y).
    void TapWorld(CTambRUMOView& view, int x, int y);
    // TapWorld, then FinishScan.
    void RecordPoint(CTambRUMOView& view, int x, int y, const std::vector<Ap>& aps);
    // The one message box shown since the last clear has these texts.
    void ExpectOneBox(const QString& text, const QString& caption, unsigned type);

    QTemporaryDir m_dir;
    int m_opened = 0;  // views OpenedView made
    FakeMessageBoxes m_boxes;
    FakeFileDialogs m_files;
    FakeSounds m_sounds;
    FakeViewDialogs m_dialogs;
};

// Counts the paints of the widgets it filters while `counts` holds (always
// when it is empty).
class PaintCounter : public QObject {
public:
    std::function<bool()> counts;
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        paints += e->type() == QEvent::Paint && (!counts || counts());
        return false;
    }
};

// A key pressed on `target` as the keyboard sends it.
void PressKey(QObject* target, int key, bool repeat = false);
// The board's start-up without its pauses (simulated unless a port is given).
BoardStartupOptions QuickStartup();

// Runs the event loop until pred() holds; false when `timeout` passed first.
bool PumpUntil(const std::function<bool()>& pred,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Colour of a pixel as 0xRRGGBB.
inline uint32_t Px(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFFu; }
// Map colour of the test site at (x, y).
uint32_t SiteColour(int x, int y);
