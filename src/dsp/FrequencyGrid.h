// The frequency grid every response curve is computed on: the bins of a 16384-point transform at
// 48 kHz up to 20 kHz, f_k = k * 48000 / 16384 for k = 0..6826. The grid is linear in frequency;
// the graphs place it on a logarithmic axis through log10(f_k / 20), which is -10 at 0 Hz.
//
// Besides the two arrays the grid keeps the angle terms of every point (sin^2(w/2), cos and sin
// of w and 2w), so that evaluating a section over the grid needs no trigonometry at all. They
// are filled once, through the same functions the single-point evaluation uses, and so round
// exactly alike.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace plenum {

class FrequencyGrid {
public:
    static constexpr int kPointCount = 6827;
    static constexpr int kTransformLength = 16384;
    static constexpr double kLogOfZero = -10.0;  // the axis value stored for 0 Hz

    FrequencyGrid();

    static constexpr double FrequencyAt(int k) { return k * 48000.0 / kTransformLength; }

    std::span<const double> frequencies() const { return frequencyHz_; }
    std::span<const double> logAxis() const { return logAxis_; }  // log10(f / 20), -10 at 0 Hz
    double frequency(int k) const { return frequencyHz_[static_cast<std::size_t>(k)]; }
    double log(int k) const { return logAxis_[static_cast<std::size_t>(k)]; }

    // Angle tables, one value per point.
    std::span<const double> phi() const { return phi_; }                  // sin^2(pi f / fs)
    std::span<const double> oneMinusPhi() const { return oneMinusPhi_; }  // 1 - phi
    std::span<const double> cosW() const { return cosW_; }
    std::span<const double> sinW() const { return sinW_; }
    std::span<const double> cos2W() const { return cos2W_; }
    std::span<const double> sin2W() const { return sin2W_; }

    // The nearest grid point to a frequency: the closer of the last point below f and the first
    // point at or above it; exactly half-way takes the upper one. Frequencies beyond the grid
    // give its ends.
    int NearestPoint(double frequencyHz) const;

private:
    std::vector<double> frequencyHz_, logAxis_;
    std::vector<double> phi_, oneMinusPhi_, cosW_, sinW_, cos2W_, sin2W_;
};

}  // namespace plenum
