// The sound card as the FIR wizard sees it: play a buffer on one output channel while recording
// one input channel, at 48 kHz, with progress and cancel.
//
// Two implementations stand behind it: PortAudioCard (a real card; on Windows PortAudio reaches
// ASIO drivers too) and VirtualCard, which plays into a known loudspeaker-and-room impulse
// response so that the whole measurement runs without hardware and its result can be checked
// against the truth.
#pragma once

#include <atomic>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace plenum::audio {

inline constexpr int kAudioSampleRateHz = 48000;

struct AudioDeviceInfo {
    int index = 0;
    std::string name;
    int inputChannels = 0;
    int outputChannels = 0;
};

enum class AudioStatus { Ok, Cancelled, Failed };

struct AudioResult {
    AudioStatus status = AudioStatus::Ok;
    std::string message;  // why it failed, for the caller's notice
    bool ok() const { return status == AudioStatus::Ok; }
};

// Called from the measuring thread with the fraction done, 0..1.
using AudioProgress = std::function<void(double)>;

struct PlayRecordRequest {
    std::span<const double> play;  // samples in -1..1, played from the first recorded sample on
    int outputChannel = 0;         // 0-based
    int inputChannel = 0;          // 0-based
    int recordSamples = 0;         // how much to record (at least the played length)
    AudioProgress progress;        // may be empty
    const std::atomic<bool>* cancel = nullptr;  // polled between blocks; may be null
};

class AudioCard {
public:
    virtual ~AudioCard() = default;
    virtual std::vector<AudioDeviceInfo> Devices() = 0;
    // Plays and records on the chosen device; `recorded` gets recordSamples values on success and
    // is left empty otherwise.
    virtual AudioResult PlayRecord(const PlayRecordRequest& request, std::vector<double>& recorded) = 0;
};

}  // namespace plenum::audio
