#include "Waves.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace resgen {
namespace {

int16_t ToSample(double v) {
    return static_cast<int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32767.0));
}

void PutLe(QByteArray& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

std::vector<int16_t> SynthesisePing() {
    const int n = kSampleRate * 150 / 1000;
    std::vector<int16_t> out(n);
    const double twoPi = 2 * std::numbers::pi;
    for (int i = 0; i < n; ++i) {
        const double t = double(i) / kSampleRate;
        const double attack = std::min(1.0, t / 0.003);
        const double release = std::min(1.0, (n - 1 - i) / (0.005 * kSampleRate));
        const double envelope = attack * release * std::exp(-t / 0.04);
        const double tone = std::sin(twoPi * 1760 * t) + 0.3 * std::sin(twoPi * 3520 * t);
        out[i] = ToSample(0.6 * envelope * tone / 1.3);
    }
    return out;
}

std::vector<int16_t> SynthesiseRedAlert() {
    // Each whoop sweeps 500 -> 1100 Hz in 0.45 s, then 0.05 s of silence.
    const int whoop = kSampleRate / 2;
    const int sweep = kSampleRate * 45 / 100;
    const int fade = kSampleRate * 5 / 1000;
    std::vector<int16_t> out(3 * whoop);
    const double twoPi = 2 * std::numbers::pi;
    double phase = 0;
    for (int i = 0; i < int(out.size()); ++i) {
        const int k = i % whoop;
        if (k >= sweep) {
            out[i] = 0;
            phase = 0;
            continue;
        }
        const double f = 500 + 600 * double(k) / sweep;
        phase += twoPi * f / kSampleRate;
        const double edge = std::min({1.0, double(k) / fade, double(sweep - 1 - k) / fade});
        // A sine with a third of its third harmonic: a harsher, horn-like timbre.
        const double v = std::sin(phase) + std::sin(3 * phase) / 3;
        out[i] = ToSample(0.5 * edge * v / 1.2);
    }
    return out;
}

// RIFF/WAVE, little-endian:
//   "RIFF" u32 size-8 "WAVE"
//   "fmt " u32 16 | u16 1 (PCM) | u16 channels | u32 rate | u32 bytes/s
//          | u16 block align | u16 bits per sample
//   "data" u32 byte count | samples
QByteArray WaveFile(const std::vector<int16_t>& samples) {
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    QByteArray out;
    out.append("RIFF");
    PutLe(out, 36 + dataBytes, 4);
    out.append("WAVE");
    out.append("fmt ");
    PutLe(out, 16, 4);
    PutLe(out, 1, 2);
    PutLe(out, 1, 2);
    PutLe(out, kSampleRate, 4);
    PutLe(out, kSampleRate * 2, 4);
    PutLe(out, 2, 2);
    PutLe(out, 16, 2);
    out.append("data");
    PutLe(out, dataBytes, 4);
    for (int16_t s : samples) PutLe(out, static_cast<uint16_t>(s), 2);
    return out;
}

}  // namespace resgen
