#include "audio/VirtualCard.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "audio/Rbj.h"
#include "dsp/Fft.h"

namespace plenum::audio {

std::vector<double> Convolve(const std::vector<double>& a, const std::vector<double>& b) {
    if (a.empty() || b.empty()) return {};
    const std::size_t out = a.size() + b.size() - 1;
    int n = 2;
    while (static_cast<std::size_t>(n) < out) n *= 2;
    RealFft fa(n), fb(n);
    auto sa = fa.Forward(a);
    const auto sb = fb.Forward(b);
    for (std::size_t k = 0; k < sa.size(); ++k) sa[k] *= sb[k];
    const auto t = fa.Inverse();
    std::vector<double> result(out);
    for (std::size_t i = 0; i < out; ++i) result[i] = t[i] / n;
    return result;
}

std::vector<double> BuiltinLoudspeakerIr() {
    constexpr double fs = kAudioSampleRateHz;
    std::vector<double> direct(4800, 0.0);
    direct[48] = 0.5;
    Rbj::HighPass(45, 0.707, fs).Run(direct);
    Rbj::LowPass(19000, 0.707, fs).Run(direct);
    Rbj::Bell(2500, 2.0, 4.0, fs).Run(direct);
    Rbj::Bell(700, 4.0, -5.0, fs).Run(direct);
    std::vector<double> ir = direct;
    const int reflection = static_cast<int>(0.0035 * fs);
    for (std::size_t i = reflection; i < ir.size(); ++i) ir[i] += 0.3 * direct[i - reflection];
    return ir;
}

VirtualCard::VirtualCard(std::vector<double> impulseResponse, double noiseDb, int latencySamples, std::uint32_t seed)
    : impulseResponse_(std::move(impulseResponse)), noiseDb_(noiseDb), latencySamples_(std::max(0, latencySamples)),
      seed_(seed) {}

std::vector<AudioDeviceInfo> VirtualCard::Devices() {
    return {{0, "Virtual sound card", kChannels, kChannels}};
}

AudioResult VirtualCard::PlayRecord(const PlayRecordRequest& request, std::vector<double>& recorded) {
    recorded.clear();
    if (request.outputChannel < 0 || request.outputChannel >= kChannels || request.inputChannel < 0 ||
        request.inputChannel >= kChannels)
        return {AudioStatus::Failed, "no such channel on the virtual sound card"};
    if (request.play.empty() || request.recordSamples < static_cast<int>(request.play.size()))
        return {AudioStatus::Failed, "nothing to play, or a recording shorter than the playback"};
    if (impulseResponse_.empty()) return {AudioStatus::Failed, "the virtual sound card has no impulse response"};

    // The acoustic path (device FIR, then loudspeaker and room) is computed at once; the card then
    // "delivers" it block by block, as a real one would, so that progress and cancel behave alike.
    std::vector<double> path = impulseResponse_;
    if (!deviceFir_.empty()) path = Convolve(deviceFir_, path);
    const std::vector<double> played(request.play.begin(), request.play.end());
    const std::vector<double> wet = Convolve(played, path);

    std::vector<double> out(request.recordSamples, 0.0);
    for (std::size_t i = 0; i < wet.size(); ++i) {
        const std::size_t at = i + latencySamples_;
        if (at < out.size()) out[at] = wet[i];
    }
    if (noiseDb_ > kVirtualNoiseOffDb) {
        std::mt19937 random(seed_);
        std::normal_distribution<double> gauss(0.0, std::pow(10.0, noiseDb_ / 20));
        for (double& v : out) v += gauss(random);
    }
    constexpr int kBlock = kAudioSampleRateHz / 10;
    for (int done = 0; done < request.recordSamples; done += kBlock) {
        if (request.cancel && request.cancel->load()) return {AudioStatus::Cancelled, "measurement cancelled"};
        if (request.progress)
            request.progress(std::min(1.0, static_cast<double>(done + kBlock) / request.recordSamples));
    }
    recorded = std::move(out);
    return {};
}

}  // namespace plenum::audio
