// A real sound card through PortAudio's blocking streams: one duplex stream on the chosen device,
// opened with as many channels as the chosen output and input need; the sweep goes to the chosen
// output channel (the others get silence) and the chosen input channel is kept.
#pragma once

#include "audio/AudioCard.h"

namespace plenum::audio {

class PortAudioCard : public AudioCard {
public:
    // `deviceIndex`: PortAudio's device number (as listed by Devices()).
    explicit PortAudioCard(int deviceIndex);
    ~PortAudioCard() override;
    PortAudioCard(const PortAudioCard&) = delete;
    PortAudioCard& operator=(const PortAudioCard&) = delete;

    std::vector<AudioDeviceInfo> Devices() override;
    AudioResult PlayRecord(const PlayRecordRequest& request, std::vector<double>& recorded) override;

private:
    int deviceIndex_;
    bool initialised_ = false;
};

}  // namespace plenum::audio
