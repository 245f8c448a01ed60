#include "platform/Sounds.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>
#include <atomic>

namespace platform {

namespace {

constexpr int kSyncMarginMs = 500;
constexpr int kUnknownLengthMs = 3000;
// A cue of a few kilobytes loads in milliseconds; the bound only keeps a
// broken loader from holding the program up.
constexpr int kLoadBoundMs = 10000;

// Qt Multimedia's own words when there is no sound server: the PulseAudio
// backend's "PulseAudioService: pa_context_connect() failed" when it is
// first asked for devices, and "No audio device detected" for every effect
// that loads (twice at start, once more at every synchronous play). Both go
// to Qt's default category, so no logging rule reaches them; they are kept
// off standard error while the devices are looked at.
QtMessageHandler g_passOn = nullptr;

void HoldBackNoServerLines(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.startsWith(QLatin1String("PulseAudioService:")) ||
        text == QLatin1String("No audio device detected"))
        return;
    g_passOn(type, context, text);
}

bool HaveAudioOutput() {
    g_passOn = qInstallMessageHandler(HoldBackNoServerLines);
    const bool have = !QMediaDevices::audioOutputs().isEmpty();
    qInstallMessageHandler(g_passOn);
    return have;
}

uint32_t Le32(const QByteArray& b, qsizetype at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) |
           (static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24);
}

}  // namespace

QtSoundPlayer::QtSoundPlayer() : m_hasDevice(HaveAudioOutput()) {
    if (!m_hasDevice) {
        static std::atomic<bool> told{false};
        if (!told.exchange(true)) qWarning("%s", kNoSoundDeviceText);
        return;
    }
    // Every cue is loaded now, and the player waits (bounded) until none is
    // loading any more: Qt's loader thread leaves a load that is still in
    // flight at exit behind, and the program may end at any moment after
    // this. Later plays then never wait for a load.
    const QDir dir(QStringLiteral(":/res/sounds"));
    for (const QString& entry : dir.entryList(QDir::Files)) {
        auto* effect = new QSoundEffect(QCoreApplication::instance());
        effect->setSource(QUrl(QStringLiteral("qrc") + dir.filePath(entry)));
        m_async[dir.filePath(entry).toLower()] = effect;
    }
    const auto loading = [this] {
        for (const auto& [path, effect] : m_async)
            if (effect && effect->status() == QSoundEffect::Loading) return true;
        return false;
    };
    QEventLoop loop;
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    for (const auto& [path, effect] : m_async) {
        QObject::connect(effect, &QSoundEffect::statusChanged, &loop, [&] {
            if (!loading()) loop.quit();
        });
    }
    if (!loading()) return;
    bound.start(kLoadBoundMs);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

QtSoundPlayer::~QtSoundPlayer() = default;

QString QtSoundPlayer::FindSound(const QString& name) {
    const QDir dir(QStringLiteral(":/res/sounds"));
    const QString wanted = name + QStringLiteral(".wav");
    for (const QString& entry : dir.entryList(QDir::Files)) {
        if (entry.compare(wanted, Qt::CaseInsensitive) == 0) return dir.filePath(entry);
    }
    return {};
}

int QtSoundPlayer::WavLengthMs(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QByteArray b = f.readAll();
    if (b.size() < 12 || !b.startsWith("RIFF") || b.mid(8, 4) != "WAVE") return 0;
    uint32_t byteRate = 0;
    qsizetype at = 12;
    while (at + 8 <= b.size()) {
        const QByteArray id = b.mid(at, 4);
        const uint32_t size = Le32(b, at + 4);
        if (id == "fmt " && at + 20 <= b.size()) byteRate = Le32(b, at + 8 + 8);
        if (id == "data") {
            if (byteRate == 0) return 0;
            return static_cast<int>((static_cast<uint64_t>(size) * 1000) / byteRate);
        }
        at += 8 + static_cast<qsizetype>(size) + (size & 1);
    }
    return 0;
}

void QtSoundPlayer::Play(const QString& name, bool wait) {
    const QString path = FindSound(name);
    // A missing sound is skipped, as on the handheld; so is every sound
    // where there is nothing to play it on.
    if (path.isEmpty() || !m_hasDevice) return;
    const QUrl url(QStringLiteral("qrc") + path);
    if (!wait) {
        const auto found = m_async.find(path.toLower());
        if (found != m_async.end() && found->second) found->second->play();
        return;
    }
    const int length = WavLengthMs(path);
    QSoundEffect effect;
    QEventLoop loop;
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&effect, &QSoundEffect::playingChanged, &loop, [&] {
        if (!effect.isPlaying()) loop.quit();
    });
    QObject::connect(&effect, &QSoundEffect::statusChanged, &loop, [&] {
        if (effect.status() == QSoundEffect::Error) loop.quit();
    });
    effect.setSource(url);
    effect.play();
    if (effect.status() == QSoundEffect::Error) return;
    bound.start((length > 0 ? length : kUnknownLengthMs) + kSyncMarginMs);
    // The user cannot act while the sound plays, as with a blocking play.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

namespace {
ISoundPlayer* g_sounds = nullptr;  // user-interface thread only
}

ISoundPlayer& Sounds() {
    if (g_sounds != nullptr) return *g_sounds;
    static QtSoundPlayer qtPlayer;
    return qtPlayer;
}

void SetSounds(ISoundPlayer* player) { g_sounds = player; }

}  // namespace platform
