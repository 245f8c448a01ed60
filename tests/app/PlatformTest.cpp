// The platform seams: registered messages, the wait cursor, sounds.

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QSoundEffect>
#include <QTemporaryDir>
#include <thread>

#include "AppFakes.h"
#include "platform/RegisteredMessages.h"
#include "platform/WaitCursor.h"

namespace {

class Catcher : public QObject {
public:
    std::vector<std::pair<intptr_t, intptr_t>> got;
    int type = 0;
    bool event(QEvent* e) override {
        if (e->type() != type) return QObject::event(e);
        auto* m = static_cast<platform::RegisteredMessageEvent*>(e);
        got.push_back({m->WParam(), m->LParam()});
        return true;
    }
};

TEST(RegisteredMessages, OneIdPerNameAndPostsCrossThreads) {
    const int a = platform::RegisterWindowMessage("PELLORIN_TEST_A");
    int fromThread = 0;
    std::thread t([&] { fromThread = platform::RegisterWindowMessage("PELLORIN_TEST_A"); });
    t.join();
    EXPECT_EQ(a, fromThread);
    EXPECT_NE(a, platform::RegisterWindowMessage("PELLORIN_TEST_B"));
    EXPECT_GE(a, QEvent::User);

    Catcher c;
    c.type = a;
    std::thread poster([&] { platform::PostMessage(&c, a, 40000, -7); });
    poster.join();
    QCoreApplication::sendPostedEvents(&c);
    EXPECT_EQ(c.got, (std::vector<std::pair<intptr_t, intptr_t>>{{40000, -7}}));
}

TEST(WaitCursor, GuardLowersOnEveryWayOutAndOnlyOnce) {
    EXPECT_EQ(platform::WaitCursorDepth(), 0);
    {
        platform::CWaitCursor outer;
        {
            platform::CWaitCursor inner;
            EXPECT_EQ(platform::WaitCursorDepth(), 2);
            inner.Release();
            EXPECT_EQ(platform::WaitCursorDepth(), 1);
        }
        EXPECT_EQ(platform::WaitCursorDepth(), 1);
    }
    EXPECT_EQ(platform::WaitCursorDepth(), 0);
    platform::DoWaitCursor(-1);  // an extra lower does not go below zero
    EXPECT_EQ(platform::WaitCursorDepth(), 0);
}

TEST(Sounds, WavLengthComesFromTheHeaderAndAMissingSoundReturnsAtOnce) {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.wav");
    {
        // 8 kHz, mono, 16-bit: 16000 bytes/s; 4000 data bytes = 250 ms.
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        QDataStream s(&f);
        s.setByteOrder(QDataStream::LittleEndian);
        s.writeRawData("RIFF", 4);
        s << quint32(36 + 4000);
        s.writeRawData("WAVEfmt ", 8);
        s << quint32(16) << quint16(1) << quint16(1) << quint32(8000) << quint32(16000)
          << quint16(2) << quint16(16);
        s.writeRawData("data", 4);
        s << quint32(4000);
        s.writeRawData(QByteArray(4000, '\0').constData(), 4000);
    }
    EXPECT_EQ(platform::QtSoundPlayer::WavLengthMs(path), 250);
    EXPECT_EQ(platform::QtSoundPlayer::WavLengthMs(dir.filePath("none.wav")), 0);

    platform::QtSoundPlayer player;
    EXPECT_TRUE(platform::QtSoundPlayer::FindSound("NO_SUCH_SOUND").isEmpty());
    player.Play("NO_SUCH_SOUND", true);  // skipped, returns
    // The program's own cues are found whatever the case of the name.
    const QString ping = platform::QtSoundPlayer::FindSound("ping");
    ASSERT_FALSE(ping.isEmpty());
    EXPECT_EQ(platform::QtSoundPlayer::FindSound("PING"), ping);
    EXPECT_GT(platform::QtSoundPlayer::WavLengthMs(ping), 0);
}

// Qt Multimedia frees its sample cache at exit; an effect still alive then
// corrupts the heap, and a load still in flight is left behind. The player's
// effects go with the application, and none is loading once it is made.
// Without a sound server nothing is loaded and standard error gets at most
// the program's one line, never Qt's lines about the missing server.
QStringList g_messages;
void Collect(QtMsgType, const QMessageLogContext&, const QString& text) { g_messages << text; }

TEST(Sounds, EffectsAreLoadedWhenThePlayerIsMadeOrNoneWithoutASoundDevice) {
    const auto effects = [] { return QCoreApplication::instance()->findChildren<QSoundEffect*>(); };
    const auto before = effects().size();
    g_messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(Collect);
    {
        platform::QtSoundPlayer player;
        player.Play(QStringLiteral("REDALERT"), true);
        player.Play(QStringLiteral("PING"), false);
        const auto made = effects();
        if (!player.HasDevice()) {
            EXPECT_EQ(made.size(), before);
        } else {
            EXPECT_EQ(made.size(), before + QDir(":/res/sounds").entryList(QDir::Files).size());
            for (const QSoundEffect* effect : made)
                EXPECT_NE(effect->status(), QSoundEffect::Loading);
        }
        player.Play(QStringLiteral("ping"), false);  // the same sound, the same effect
        EXPECT_EQ(effects().size(), made.size());
        platform::QtSoundPlayer again;  // told once per run
    }
    qInstallMessageHandler(previous);
    for (const QString& line : g_messages) {
        EXPECT_FALSE(line.startsWith("PulseAudioService")) << line.toStdString();
        EXPECT_NE(line, "No audio device detected");
    }
    EXPECT_LE(g_messages.count(QString::fromLatin1(platform::kNoSoundDeviceText)), 1);
}

}  // namespace
