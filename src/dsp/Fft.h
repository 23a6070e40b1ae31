// Real-input discrete Fourier transforms on FFTW3.
//
// FFTW splits a transform into a plan (the choice of algorithm for one size, made once) and its
// execution. Planning is not thread-safe and, with FFTW_MEASURE, costs seconds at the sizes used
// here; so plans are made with FFTW_ESTIMATE only, once per size for the whole run, under one
// mutex, and kept in a process-wide cache. Executing a plan on other arrays (FFTW's "new-array"
// execute) is thread-safe, so every RealFft owns its own aligned buffers and any number of them,
// on any thread, share the cached plans.
//
// Conventions: Forward is the unnormalised DFT X[k] = sum_n x[n] e^{-2 pi i k n / N} for
// k = 0..N/2 (the other half is the conjugate mirror); Inverse is the unnormalised inverse, so
// Inverse(Forward(x)) = N x.
#pragma once

#include <complex>
#include <cstddef>
#include <memory>
#include <span>

namespace plenum {

class RealFft {
public:
    // `length` must be even and at least 2.
    explicit RealFft(int length);
    ~RealFft();
    RealFft(const RealFft&) = delete;
    RealFft& operator=(const RealFft&) = delete;

    int length() const { return length_; }
    int binCount() const { return length_ / 2 + 1; }

    // The transform's own buffers: fill time() then call Forward(), or fill spectrum() then call
    // Inverse(). Inverse() overwrites spectrum() with scratch values (FFTW's complex-to-real
    // transforms use their input as work space).
    std::span<double> time() { return {time_.get(), static_cast<std::size_t>(length_)}; }
    std::span<std::complex<double>> spectrum() { return {spectrum_.get(), static_cast<std::size_t>(binCount())}; }

    std::span<std::complex<double>> Forward();  // time() -> spectrum(); time() is kept
    std::span<double> Inverse();                // spectrum() -> time()

    // Copies `samples` into time(), zero-padded (or truncated) to the length, and transforms.
    std::span<std::complex<double>> Forward(std::span<const double> samples);

    // Plans made so far (for tests: each size is planned once).
    static int CachedPlanCount();

    struct Plans;  // the cached FFTW plans of one length (opaque)

private:
    struct Free {
        void operator()(void* p) const;
    };

    int length_;
    const Plans* plans_;
    std::unique_ptr<double[], Free> time_;
    std::unique_ptr<std::complex<double>[], Free> spectrum_;
};

}  // namespace plenum
