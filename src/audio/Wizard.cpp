#include "audio/Wizard.h"

#include <sndfile.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>

#include "audio/Rbj.h"
#include "core/AtomicText.h"
#include "dsp/Fft.h"
#include "dsp/MeasureGrid.h"
#include "dsp/MinPhase.h"
#include "dsp/Smoothing.h"

namespace plenum::audio {

namespace {

constexpr double kFs = kAudioSampleRateHz;
constexpr int kGrid = measure_grid::kTransformLength;
constexpr int kBins = measure_grid::kBinCount;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::optional<double> Number(std::string_view s) {
    s = Trim(s);
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc{} || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto nl = text.find('\n');
        lines.push_back(Trim(text.substr(0, nl)));
        if (nl == std::string_view::npos) break;
        text.remove_prefix(nl + 1);
    }
    return lines;
}

std::optional<std::string> ReadText(const std::filesystem::path& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path.string();
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// 1/f weights on the grid's bins between the limits (a mean on a logarithmic frequency axis).
template <class F>
void ForBand(double lowHz, double highHz, F&& f) {
    for (int k = 1; k < kBins; ++k) {
        const double hz = measure_grid::FrequencyAt(k);
        if (hz >= lowHz && hz <= highHz) f(k, 1.0 / hz);
    }
}

}  // namespace

double MeanDifferenceDb(const std::vector<double>& a, const std::vector<double>& b, double lowHz, double highHz) {
    double sum = 0, weight = 0;
    ForBand(lowHz, highHz, [&](int k, double w) {
        sum += w * (a[k] - b[k]);
        weight += w;
    });
    return weight > 0 ? sum / weight : 0.0;
}

double SnapToGrid(double value, double start, double step, double upper) {
    if (!(value > start)) return start;
    const double last = start + std::floor((upper - start) / step + 1e-9) * step;
    if (value >= last) return last;
    const double k = std::ceil((value - start) / step - 1e-9);
    const double up = start + k * step, down = up - step;
    const double snapped = (down >= start && value - down < up - value) ? down : up;
    return std::round(snapped / step) * step;  // keep the grid's decimals clean
}

WizardSettings Snapped(WizardSettings s) {
    const double widths[] = {1.0 / 6, 1.0 / 5, 1.0 / 4, 1.0 / 3, 1.0 / 2};
    double best = widths[0];
    for (const double w : widths)
        if (std::abs(w - s.smoothingOctaves) < std::abs(best - s.smoothingOctaves)) best = w;
    s.smoothingOctaves = best;
    s.smoothingThreshold = std::clamp(s.smoothingThreshold, 0, 10);
    s.lowerHz = SnapToGrid(s.lowerHz, 1.0, 1.0, 1000.0);
    s.upperHz = SnapToGrid(s.upperHz, 1.0, 1.0, 20000.0);
    if (s.upperHz <= s.lowerHz) s.upperHz = std::min(20000.0, s.lowerHz * 2);
    s.latencyMs = SnapToGrid(s.latencyMs, 1.0, 0.1, kWizardMaxLatencyMs);
    s.precision = std::clamp(s.precision, 1, 10);
    s.boostLimitDb = SnapToGrid(s.boostLimitDb, 1.0, 0.5, 30.0);
    s.windowLengthMs = SnapToGrid(s.windowLengthMs, 2.0, 0.1, 40.0);
    s.zeroOffset = s.zeroOffset < -30 ? -30 : SnapToGrid(s.zeroOffset, -30.0, 1.0, 30.0);
    return s;
}

// ---- sweep ------------------------------------------------------------------------------------

Sweep MakeSweep() {
    Sweep s;
    const int n = kSweepSamples;
    const double T = n / kFs, L = std::log(kSweepEndHz / kSweepStartHz);
    s.sweep.resize(n);
    for (int i = 0; i < n; ++i) {
        const double t = i / kFs;
        s.sweep[i] = 0.5 * std::sin(2 * std::numbers::pi * kSweepStartHz * T / L * (std::exp(t * L / T) - 1));
    }
    const int fadeIn = n / 100, fadeOut = n / 200;
    for (int i = 0; i < fadeIn; ++i) s.sweep[i] *= 0.5 * (1 - std::cos(std::numbers::pi * i / fadeIn));
    for (int i = 0; i < fadeOut; ++i) s.sweep[n - 1 - i] *= 0.5 * (1 - std::cos(std::numbers::pi * i / fadeOut));
    s.inverse.resize(n);
    for (int i = 0; i < n; ++i) s.inverse[i] = s.sweep[n - 1 - i] * std::exp(-static_cast<double>(i) / n * L);
    return s;
}

bool WriteWav(const std::filesystem::path& path, const std::vector<double>& samples, std::string& error) {
    SF_INFO info{};
    info.samplerate = kAudioSampleRateHz;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.string().c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        error = "cannot write " + path.string() + ": " + sf_strerror(nullptr);
        return false;
    }
    const sf_count_t written = sf_write_double(file, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(file);
    if (written != static_cast<sf_count_t>(samples.size())) {
        error = "cannot write " + path.string();
        return false;
    }
    return true;
}

std::optional<std::vector<double>> ReadWav(const std::filesystem::path& path, std::string& error) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.string().c_str(), SFM_READ, &info);
    if (file == nullptr) {
        error = "not a sound file: " + path.string() + " (" + sf_strerror(nullptr) + ")";
        return std::nullopt;
    }
    if (info.samplerate != kAudioSampleRateHz || info.channels < 1 || info.frames <= 0 ||
        info.frames > 10 * kAudioSampleRateHz * 10) {
        sf_close(file);
        error = path.string() + ": needs 48000 Hz and at most 100 s (has " + std::to_string(info.samplerate) + " Hz)";
        return std::nullopt;
    }
    std::vector<double> all(static_cast<std::size_t>(info.frames) * info.channels);
    const sf_count_t read = sf_readf_double(file, all.data(), info.frames);
    sf_close(file);
    if (read != info.frames) {
        error = path.string() + ": truncated";
        return std::nullopt;
    }
    std::vector<double> first(static_cast<std::size_t>(info.frames));
    for (std::size_t i = 0; i < first.size(); ++i) first[i] = all[i * info.channels];
    return first;
}

bool WriteSweepFiles(const std::filesystem::path& folder, const Sweep& sweep, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(folder / "TS", ec);
    return WriteWav(folder / "TS" / "SW.wav", sweep.sweep, error) &&
           WriteWav(folder / "TS" / "ISW.wav", sweep.inverse, error);
}

std::optional<Sweep> ReadSweepFiles(const std::filesystem::path& folder, std::string& error) {
    auto sweep = ReadWav(folder / "TS" / "SW.wav", error);
    if (!sweep) return std::nullopt;
    auto inverse = ReadWav(folder / "TS" / "ISW.wav", error);
    if (!inverse) return std::nullopt;
    if (sweep->size() != inverse->size()) {
        error = "TS/SW.wav and TS/ISW.wav differ in length";
        return std::nullopt;
    }
    return Sweep{std::move(*sweep), std::move(*inverse)};
}

std::vector<double> Deconvolve(const std::vector<double>& recorded, const Sweep& sweep) {
    int n = 2;
    while (static_cast<std::size_t>(n) < recorded.size() + sweep.inverse.size()) n *= 2;
    RealFft fy(n), fi(n), fx(n);
    auto y = fy.Forward(recorded);
    const auto inv = fi.Forward(sweep.inverse);
    const auto x = fx.Forward(sweep.sweep);
    double largest = 0;
    std::vector<std::complex<double>> d(y.size());
    for (std::size_t k = 0; k < d.size(); ++k) {
        d[k] = x[k] * inv[k];
        largest = std::max(largest, std::norm(d[k]));
    }
    // Regularised division: bins where the sweep has no energy (below its start, above its end)
    // stay near zero instead of amplifying noise.
    const double eps = largest * 1e-9;
    for (std::size_t k = 0; k < d.size(); ++k) y[k] = y[k] * inv[k] * std::conj(d[k]) / (std::norm(d[k]) + eps);
    const auto t = fy.Inverse();
    std::vector<double> h(n);
    for (int i = 0; i < n; ++i) h[i] = t[i] / n;
    return h;
}

WindowedIr WindowIr(const std::vector<double>& full, double windowLengthMs, std::optional<int> start,
                    int extraSamples) {
    WindowedIr w;
    const int n = static_cast<int>(full.size());
    if (n == 0) return w;
    int peak = 0;
    for (int i = 1; i < n; ++i)
        if (std::abs(full[i]) > std::abs(full[peak])) peak = i;
    const int pre = kAudioSampleRateHz / 1000;
    const int body = static_cast<int>(std::lround(windowLengthMs * kFs / 1000));
    w.peak = peak;
    w.start = start ? ((*start % n) + n) % n : ((peak - pre) % n + n) % n;
    const int length = std::min(n, pre + body + std::max(0, extraSamples));
    const int fadeOut = std::max(1, body / 5);
    w.taps.resize(length);
    for (int i = 0; i < length; ++i) {
        double g = 1;
        if (i < pre) g = 0.5 * (1 - std::cos(std::numbers::pi * i / pre));
        if (i >= length - fadeOut) g *= 0.5 * (1 - std::cos(std::numbers::pi * (length - 1 - i) / fadeOut));
        w.taps[i] = full[(w.start + i) % n] * g;
    }
    return w;
}

std::vector<double> GridMagnitudeDb(const std::vector<double>& taps, double widthOctaves) {
    RealFft fft(kGrid);
    std::vector<double> cut(taps.begin(), taps.begin() + std::min<std::size_t>(taps.size(), kGrid));
    const auto spectrum = fft.Forward(cut);
    std::vector<double> mag(kBins), phase(kBins, 0.0);
    for (int k = 0; k < kBins; ++k) mag[k] = std::abs(spectrum[k]);
    if (widthOctaves > 0) SmoothFractionalOctave(mag, phase, mag, phase, widthOctaves);
    MagnitudeToDb(mag, mag);
    return mag;
}

// ---- EQ target ------------------------------------------------------------------------------

std::string_view EqBandTypeLabel(EqBandType type) {
    switch (type) {
        case EqBandType::Bell: return "Bell";
        case EqBandType::HiShv: return "Hi Shv";
        case EqBandType::LoShv: return "Lo Shv";
        case EqBandType::Disabled: break;
    }
    return "Disabled";
}

std::optional<std::vector<EqBand>> ParseEqTarget(std::string_view text, std::string& error) {
    std::vector<EqBand> bands;
    int lineNumber = 0;
    for (std::string_view line : Lines(text)) {
        ++lineNumber;
        if (line.empty() || line.front() == ';' || line.front() == '#' || line.front() == '[') continue;
        if (const auto eq = line.find('='); eq != std::string_view::npos) line = Trim(line.substr(eq + 1));
        std::vector<std::string_view> fields;
        for (std::size_t at = 0;;) {
            const auto comma = line.find(',', at);
            fields.push_back(Trim(line.substr(at, comma == std::string_view::npos ? comma : comma - at)));
            if (comma == std::string_view::npos) break;
            at = comma + 1;
        }
        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        if (fields.size() != 4) {
            error = where + "a band is TYPE,GAIN,FREQ,Q";
            return std::nullopt;
        }
        EqBand band;
        bool known = false;
        for (const EqBandType t : {EqBandType::Bell, EqBandType::HiShv, EqBandType::LoShv, EqBandType::Disabled})
            if (Lower(std::string(fields[0])) == Lower(std::string(EqBandTypeLabel(t)))) band.type = t, known = true;
        const auto gain = Number(fields[1]), freq = Number(fields[2]), q = Number(fields[3]);
        if (!known) {
            error = where + "unknown band type \"" + std::string(fields[0]) + "\"";
            return std::nullopt;
        }
        if (!gain || *gain < -12 || *gain > 12) {
            error = where + "gain must be -12..+12 dB";
            return std::nullopt;
        }
        if (!freq || *freq < 50 || *freq > 20000) {
            error = where + "frequency must be 50..20000 Hz";
            return std::nullopt;
        }
        if (!q || *q < 0.1 || *q > 10) {
            error = where + "  不正确的 Q 值 (Q must be 0.1..10)";
            return std::nullopt;
        }
        band.gainDb = *gain;
        band.frequencyHz = *freq;
        band.q = SnapToGrid(*q, 0.1, 0.05, 10.0);
        bands.push_back(band);
    }
    return bands;
}

std::optional<std::vector<EqBand>> LoadEqTarget(const std::filesystem::path& path, std::string& error) {
    const std::string ext = Lower(path.extension().string());
    if (ext != ".eqt" && ext != ".ini") {
        error = path.string() + ": an EQ target is a .eqt file or DefEqTarget.ini";
        return std::nullopt;
    }
    const auto text = ReadText(path, error);
    if (!text) return std::nullopt;
    auto bands = ParseEqTarget(*text, error);
    if (!bands) error = path.string() + ": " + error;
    return bands;
}

std::string FormatEqTarget(const std::vector<EqBand>& bands, bool iniForm) {
    std::ostringstream out;
    if (iniForm) out << "[EqTarget]\n";
    int i = 0;
    for (const EqBand& b : bands) {
        if (iniForm) out << "Band" << ++i << '=';
        out << EqBandTypeLabel(b.type) << ',' << b.gainDb << ',' << b.frequencyHz << ',' << b.q << '\n';
    }
    return out.str();
}

std::vector<double> TargetDb(const std::vector<EqBand>& bands) {
    std::vector<double> db(kBins, 0.0);
    for (const EqBand& b : bands) {
        if (b.type == EqBandType::Disabled || b.gainDb == 0) continue;
        const Rbj f = b.type == EqBandType::Bell ? Rbj::Bell(b.frequencyHz, b.q, b.gainDb, kFs)
                                                 : Rbj::Shelf(b.type == EqBandType::HiShv, b.frequencyHz, b.q, b.gainDb, kFs);
        for (int k = 0; k < kBins; ++k) db[k] += f.MagnitudeDb(measure_grid::FrequencyAt(k), kFs);
    }
    return db;
}

// ---- impulse response files ---------------------------------------------------------------------

namespace {

std::optional<std::vector<double>> CheckedIr(std::vector<double> taps, const std::filesystem::path& path,
                                             std::string& error) {
    if (taps.empty() || taps.size() > static_cast<std::size_t>(10 * kAudioSampleRateHz)) {
        error = path.string() + ": an impulse response holds 1 to 480000 samples";
        return std::nullopt;
    }
    bool any = false;
    for (const double v : taps) {
        if (!std::isfinite(v)) {
            error = path.string() + ": a sample is not a number";
            return std::nullopt;
        }
        any = any || v != 0;
    }
    if (!any) {
        error = path.string() + ": the impulse response is all zero";
        return std::nullopt;
    }
    return taps;
}

}  // namespace

std::optional<std::vector<double>> LoadImpulseResponse(const std::filesystem::path& path, std::string& error) {
    const std::string ext = Lower(path.extension().string());
    if (ext == ".wav") {
        auto taps = ReadWav(path, error);
        return taps ? CheckedIr(std::move(*taps), path, error) : std::nullopt;
    }
    if (ext != ".irw" && ext != ".txt") {
        error = path.string() + ": an impulse response is a .irw, .txt or .wav file";
        return std::nullopt;
    }
    const auto text = ReadText(path, error);
    if (!text) return std::nullopt;
    auto lines = Lines(*text);
    std::size_t first = 0;
    if (ext == ".irw") {
        if (lines.size() < 3 || lines[0] != "IRW 1" || Number(lines[1]) != kFs) {
            error = path.string() + ": not an IRW 1 file at 48000 Hz";
            return std::nullopt;
        }
        first = 2;
    }
    std::vector<double> taps;
    for (std::size_t i = first; i < lines.size(); ++i) {
        if (lines[i].empty()) continue;
        const auto v = Number(lines[i]);
        if (!v) {
            error = path.string() + ": line " + std::to_string(i + 1) + " is not a number";
            return std::nullopt;
        }
        taps.push_back(*v);
    }
    return CheckedIr(std::move(taps), path, error);
}

bool SaveIrw(const std::filesystem::path& path, const std::vector<double>& taps, std::string& error) {
    std::ostringstream text;
    text << "IRW 1\n" << kAudioSampleRateHz << '\n';
    text.precision(17);
    for (const double v : taps) text << v << '\n';
    if (const auto failure = WriteTextFileAtomic(path, text.str())) {
        error = "cannot write " + path.string() + ": " + failure.message();
        return false;
    }
    return true;
}

// ---- wizard configuration --------------------------------------------------------------------

std::string FormatWizardSettings(const WizardSettings& s) {
    std::ostringstream out;
    out << "smoothing=" << s.smoothingOctaves << "\nthreshold=" << s.smoothingThreshold << "\nlower=" << s.lowerHz
        << "\nupper=" << s.upperHz << "\nlatency=" << s.latencyMs << "\nprecision=" << s.precision
        << "\nboost=" << s.boostLimitDb << "\nwindow=" << s.windowLengthMs << "\nzero=" << s.zeroOffset
        << "\nmode=" << (s.mode == DesignMode::Normal ? "Normal" : "Minimize Ripple")
        << "\nphase=" << (s.minimumPhase ? "minimum" : "linear") << '\n';
    return out.str();
}

std::optional<WizardSettings> ParseWizardSettings(std::string_view text, std::string& error) {
    WizardSettings s;
    for (std::string_view line : Lines(text)) {
        if (line.empty() || line.front() == '#') continue;
        const auto eq = line.find('=');
        const std::string key(Trim(line.substr(0, eq)));
        const std::string_view value = eq == std::string_view::npos ? std::string_view{} : Trim(line.substr(eq + 1));
        if (key == "mode") {
            if (value != "Normal" && value != "Minimize Ripple") return error = "mode: Normal or Minimize Ripple", std::nullopt;
            s.mode = value == "Normal" ? DesignMode::Normal : DesignMode::MinimizeRipple;
            continue;
        }
        if (key == "phase") {
            if (value != "linear" && value != "minimum") return error = "phase: linear or minimum", std::nullopt;
            s.minimumPhase = value == "minimum";
            continue;
        }
        const auto v = Number(value);
        if (!v) return error = "\"" + std::string(line) + "\" is not key=number", std::nullopt;
        if (key == "smoothing") s.smoothingOctaves = *v;
        else if (key == "threshold") s.smoothingThreshold = static_cast<int>(std::lround(*v));
        else if (key == "lower") s.lowerHz = *v;
        else if (key == "upper") s.upperHz = *v;
        else if (key == "latency") s.latencyMs = *v;
        else if (key == "precision") s.precision = static_cast<int>(std::lround(*v));
        else if (key == "boost") s.boostLimitDb = *v;
        else if (key == "window") s.windowLengthMs = *v;
        else if (key == "zero") s.zeroOffset = *v;
        else return error = "unknown setting \"" + key + "\"", std::nullopt;
    }
    return Snapped(s);
}

// ---- measurement and design ------------------------------------------------------------------

AudioResult Measure(AudioCard& card, const Sweep& sweep, const WizardSettings& settings, const MeasureRequest& request,
                    Measurement& m) {
    PlayRecordRequest play;
    play.play = sweep.sweep;
    play.outputChannel = request.outputChannel;
    play.inputChannel = request.inputChannel;
    play.recordSamples = static_cast<int>(sweep.sweep.size()) + kRecordTailSamples + std::max(0, request.extraSamples);
    play.progress = request.progress;
    play.cancel = request.cancel;
    std::vector<double> recorded;
    AudioResult result = card.PlayRecord(play, recorded);
    if (!result.ok()) return result;
    double peak = 0;
    for (const double v : recorded) peak = std::max(peak, std::abs(v));
    Measurement out;
    out.peakLevelDb = peak > 0 ? 20 * std::log10(peak) : -400.0;
    out.clipped = peak >= 0.999;
    if (out.peakLevelDb < -80) return {AudioStatus::Failed, "no signal on the input: check the wiring and levels"};
    out.full = Deconvolve(recorded, sweep);
    out.ir = WindowIr(out.full, settings.windowLengthMs, request.windowStart, request.extraSamples);
    m = std::move(out);
    return result;
}

Correction DesignCorrection(const std::vector<double>& measuredDb, const std::vector<double>& targetDb,
                            const WizardSettings& settingsIn) {
    const WizardSettings s = Snapped(settingsIn);
    Correction c;
    const double offset = MeanDifferenceDb(measuredDb, targetDb, s.lowerHz, s.upperHz);
    std::vector<double> wanted(kBins, 0.0);
    int lowBin = kBins, highBin = 0;
    ForBand(s.lowerHz, s.upperHz, [&](int k, double) {
        wanted[k] = std::clamp(targetDb[k] + offset - measuredDb[k], -kMaxCutDb, s.boostLimitDb);
        lowBin = std::min(lowBin, k);
        highBin = std::max(highBin, k);
    });
    if (lowBin > highBin) return c;
    if (s.mode == DesignMode::MinimizeRipple) {
        std::vector<double> mag(kBins), phase(kBins, 0.0);
        for (int k = 0; k < kBins; ++k) mag[k] = std::pow(10.0, wanted[k] / 20);
        SmoothFractionalOctave(mag, phase, mag, phase, 1.0 / 3);
        MagnitudeToDb(mag, mag);
        for (int k = lowBin; k <= highBin; ++k) wanted[k] = mag[k];
    }
    // Outside the limits: the edge value, faded to 0 dB over one octave.
    for (int k = 0; k < kBins; ++k) {
        const double hz = measure_grid::FrequencyAt(k);
        double octaves = 0;
        int edge = k;
        if (k < lowBin) octaves = hz > 0 ? std::log2(measure_grid::FrequencyAt(lowBin) / hz) : 1, edge = lowBin;
        else if (k > highBin) octaves = std::log2(hz / measure_grid::FrequencyAt(highBin)), edge = highBin;
        else continue;
        wanted[k] = wanted[edge] * 0.5 * (1 + std::cos(std::numbers::pi * std::min(1.0, octaves)));
    }
    c.wantedDb = wanted;

    const int delay = std::min((kWizardMaxTaps - 2) / 2, static_cast<int>(std::lround(s.latencyMs * kFs / 1000)));
    const int length = 2 * delay + 1;
    std::vector<double> aim = wanted, taps(length);
    RealFft fft(kGrid);
    std::vector<double> response;
    for (int pass = 0; pass < s.precision; ++pass) {
        auto spectrum = fft.spectrum();
        for (int k = 0; k < kBins; ++k) spectrum[k] = std::pow(10.0, aim[k] / 20);
        const auto h = fft.Inverse();
        for (int i = 0; i < length; ++i) {
            const double hann = 0.5 * (1 - std::cos(2 * std::numbers::pi * (i + 1) / (length + 1)));
            taps[i] = h[((i - delay) % kGrid + kGrid) % kGrid] / kGrid * hann;
        }
        response = GridMagnitudeDb(taps, 0);
        if (pass + 1 < s.precision)
            for (int k = lowBin; k <= highBin; ++k) aim[k] += wanted[k] - response[k];
    }
    if (s.minimumPhase) {
        auto minimum = MinimumPhaseFir(taps);
        if (!minimum.empty()) taps = std::move(minimum);
        response = GridMagnitudeDb(taps, 0);
    }
    taps.resize(kWizardMaxTaps, 0.0);
    double largestGain = *std::max_element(response.begin(), response.end());
    double largestTap = 0;
    for (const double t : taps) largestTap = std::max(largestTap, std::abs(t));
    double reduction = std::max(0.0, largestGain);
    if (largestTap * std::pow(10.0, -reduction / 20) >= 0.999) reduction = 20 * std::log10(largestTap / 0.999);
    if (reduction > 0) {
        const double g = std::pow(10.0, -reduction / 20);
        for (double& t : taps) t *= g;
        for (double& r : response) r -= reduction;
    }
    c.taps = std::move(taps);
    c.responseDb = std::move(response);
    c.gainReductionDb = reduction;
    return c;
}

double LargestDeviationDb(const std::vector<double>& a, const std::vector<double>& b, double lowHz, double highHz) {
    const double mean = MeanDifferenceDb(a, b, lowHz, highHz);
    double worst = 0;
    ForBand(lowHz, highHz, [&](int k, double) { worst = std::max(worst, std::abs(a[k] - b[k] - mean)); });
    return worst;
}

double LargestDifferenceDb(const std::vector<double>& a, const std::vector<double>& b, double lowHz, double highHz) {
    double worst = 0;
    ForBand(lowHz, highHz, [&](int k, double) { worst = std::max(worst, std::abs(a[k] - b[k])); });
    return worst;
}

}  // namespace plenum::audio
