// A sound card without hardware: what is played goes through the device's FIR slot (empty until
// the wizard's verify pass puts a correction there) and a known loudspeaker-and-room impulse
// response, arrives after a latency, gets white noise added and comes back as the recording.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/AudioCard.h"

namespace plenum::audio {

// Noise at or below this level is left out altogether.
inline constexpr double kVirtualNoiseOffDb = -200.0;

class VirtualCard : public AudioCard {
public:
    // `noiseDb`: RMS of the added noise in dB full scale. `latencySamples`: the card's round trip.
    VirtualCard(std::vector<double> impulseResponse, double noiseDb = kVirtualNoiseOffDb, int latencySamples = 0,
                std::uint32_t seed = 1);

    // The loudspeaker's FIR slot (what storing a FIR does to a real device); empty: none.
    void SetDeviceFir(std::vector<double> taps) { deviceFir_ = std::move(taps); }
    const std::vector<double>& impulseResponse() const { return impulseResponse_; }

    std::vector<AudioDeviceInfo> Devices() override;
    AudioResult PlayRecord(const PlayRecordRequest& request, std::vector<double>& recorded) override;

    static constexpr int kChannels = 2;

private:
    std::vector<double> impulseResponse_;
    std::vector<double> deviceFir_;
    double noiseDb_;
    int latencySamples_;
    std::uint32_t seed_;
};

// Linear convolution through the FFT (length a + b - 1; empty if either is empty).
std::vector<double> Convolve(const std::vector<double>& a, const std::vector<double>& b);

// The built-in loudspeaker: a two-way's band-pass (45 Hz high-pass, 19 kHz low-pass, a +4 dB
// crossover lobe at 2.5 kHz, a -5 dB cabinet dip at 700 Hz) 1 ms after the start, with one room
// reflection 3.5 ms later at 30 %; 100 ms at 48 kHz.
std::vector<double> BuiltinLoudspeakerIr();

}  // namespace plenum::audio
