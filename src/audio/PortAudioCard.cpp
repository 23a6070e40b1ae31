#include "audio/PortAudioCard.h"

#include <portaudio.h>

#include <algorithm>

namespace plenum::audio {

PortAudioCard::PortAudioCard(int deviceIndex) : deviceIndex_(deviceIndex) {
    initialised_ = Pa_Initialize() == paNoError;
}

PortAudioCard::~PortAudioCard() {
    if (initialised_) Pa_Terminate();
}

std::vector<AudioDeviceInfo> PortAudioCard::Devices() {
    std::vector<AudioDeviceInfo> devices;
    if (!initialised_) return devices;
    const int count = Pa_GetDeviceCount();
    for (int i = 0; i < count; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (info == nullptr) continue;
        devices.push_back({i, info->name ? info->name : "", info->maxInputChannels, info->maxOutputChannels});
    }
    return devices;
}

AudioResult PortAudioCard::PlayRecord(const PlayRecordRequest& request, std::vector<double>& recorded) {
    recorded.clear();
    if (!initialised_) return {AudioStatus::Failed, "PortAudio could not be started"};
    if (deviceIndex_ < 0 || deviceIndex_ >= Pa_GetDeviceCount())
        return {AudioStatus::Failed, "no sound card number " + std::to_string(deviceIndex_)};
    const PaDeviceInfo* info = Pa_GetDeviceInfo(deviceIndex_);
    if (info == nullptr || request.outputChannel < 0 || request.outputChannel >= info->maxOutputChannels ||
        request.inputChannel < 0 || request.inputChannel >= info->maxInputChannels)
        return {AudioStatus::Failed, "the sound card has no such channel"};
    if (request.play.empty() || request.recordSamples < static_cast<int>(request.play.size()))
        return {AudioStatus::Failed, "nothing to play, or a recording shorter than the playback"};

    const int outChannels = request.outputChannel + 1, inChannels = request.inputChannel + 1;
    PaStreamParameters in{deviceIndex_, inChannels, paFloat32, info->defaultLowInputLatency, nullptr};
    PaStreamParameters out{deviceIndex_, outChannels, paFloat32, info->defaultLowOutputLatency, nullptr};
    PaStream* stream = nullptr;
    if (Pa_OpenStream(&stream, &in, &out, kAudioSampleRateHz, 256, paClipOff, nullptr, nullptr) != paNoError)
        return {AudioStatus::Failed, "the sound card refuses 48 kHz with these channels"};
    if (Pa_StartStream(stream) != paNoError) {
        Pa_CloseStream(stream);
        return {AudioStatus::Failed, "the sound card does not start"};
    }
    constexpr int kBlock = 1024;
    std::vector<float> outBuffer(static_cast<std::size_t>(kBlock) * outChannels);
    std::vector<float> inBuffer(static_cast<std::size_t>(kBlock) * inChannels);
    std::vector<double> result;
    result.reserve(request.recordSamples);
    AudioResult status;
    for (int done = 0; done < request.recordSamples; done += kBlock) {
        if (request.cancel && request.cancel->load()) {
            status = {AudioStatus::Cancelled, "measurement cancelled"};
            break;
        }
        const int n = std::min(kBlock, request.recordSamples - done);
        std::fill(outBuffer.begin(), outBuffer.end(), 0.0f);
        for (int i = 0; i < n; ++i) {
            const std::size_t at = static_cast<std::size_t>(done + i);
            if (at < request.play.size())
                outBuffer[static_cast<std::size_t>(i) * outChannels + request.outputChannel] =
                    static_cast<float>(request.play[at]);
        }
        const PaError w = Pa_WriteStream(stream, outBuffer.data(), n);
        const PaError r = Pa_ReadStream(stream, inBuffer.data(), n);
        if ((w != paNoError && w != paOutputUnderflowed) || (r != paNoError && r != paInputOverflowed)) {
            status = {AudioStatus::Failed, "the sound card stopped during the measurement"};
            break;
        }
        for (int i = 0; i < n; ++i)
            result.push_back(inBuffer[static_cast<std::size_t>(i) * inChannels + request.inputChannel]);
        if (request.progress) request.progress(static_cast<double>(done + n) / request.recordSamples);
    }
    Pa_StopStream(stream);
    Pa_CloseStream(stream);
    if (status.ok()) recorded = std::move(result);
    return status;
}

}  // namespace plenum::audio
