// The real sound cards the FIR wizard offers besides its virtual one, as a seam: the application
// lists PortAudio's devices, tests hand in their own.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "audio/AudioCard.h"

namespace plenum::ui {

struct SoundCards {
    std::function<std::vector<audio::AudioDeviceInfo>()> list;
    std::function<std::unique_ptr<audio::AudioCard>(int deviceIndex)> open;
};
// PortAudio's devices (on Windows its ASIO host reaches ASIO drivers).
SoundCards PortAudioCards();

}  // namespace plenum::ui
