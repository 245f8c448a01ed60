#pragma once
// Sound cues played by name from the program's own resources (WAV files
// under :/res/sounds/), names matched without regard to case. An
// asynchronous play returns at once; a synchronous one returns when the
// sound has ended, or at the latest after its length plus a margin, so it
// ends even where no audio device reports the end. Without any audio output
// (no sound server) nothing is loaded or played, and one line on standard
// error says so, once.

#include <QPointer>
#include <QSoundEffect>
#include <QString>
#include <map>

namespace platform {

class ISoundPlayer {
public:
    virtual ~ISoundPlayer() = default;
    virtual void Play(const QString& name, bool wait) = 0;
};

class QtSoundPlayer : public ISoundPlayer {
public:
    // Loads every cue before it returns (see Sounds.cpp).
    QtSoundPlayer();
    ~QtSoundPlayer() override;
    void Play(const QString& name, bool wait) override;
    // Whether there was an audio output to play on when the player was made.
    bool HasDevice() const { return m_hasDevice; }

    // The resource path for `name` ("ping" finds ping.wav or PING.WAV), or
    // empty when there is none.
    static QString FindSound(const QString& name);
    // Length in milliseconds from a WAV file's header; 0 when unreadable.
    static int WavLengthMs(const QString& path);

private:
    // One loaded effect per cue, by lower-case resource path. Owned by the
    // application object, so that they go before Qt Multimedia's own globals
    // do at exit; the player outlives them.
    std::map<QString, QPointer<QSoundEffect>> m_async;
    bool m_hasDevice = false;
};

// The line that says there is no sound.
inline constexpr const char* kNoSoundDeviceText = "No sound device: Pellorin plays no sounds.";

// The player set with SetSounds, else Qt's, made (and its cues loaded) at
// the first call.
ISoundPlayer& Sounds();
void SetSounds(ISoundPlayer* player);  // not owned; null restores Qt's

// PlaySound with SND_RESOURCE | SND_ASYNC, and with SND_RESOURCE alone.
inline void PlaySoundAsync(const QString& name) { Sounds().Play(name, false); }
inline void PlaySoundSync(const QString& name) { Sounds().Play(name, true); }

}  // namespace platform
