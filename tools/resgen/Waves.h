#pragma once
// Hand-synthesised sound cues, 16-bit PCM mono at 22050 Hz.

#include <QByteArray>
#include <cstdint>
#include <vector>

namespace resgen {

constexpr int kSampleRate = 22050;

// "ping": a short bell-like tone, 0.15 s.
std::vector<int16_t> SynthesisePing();
// "redalert": three rising whoops, 1.5 s.
std::vector<int16_t> SynthesiseRedAlert();

// A complete RIFF/WAVE file of the samples.
QByteArray WaveFile(const std::vector<int16_t>& samples);

}  // namespace resgen
