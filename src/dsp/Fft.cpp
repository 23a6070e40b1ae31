#include "dsp/Fft.h"

#include <fftw3.h>

#include <algorithm>
#include <cassert>
#include <map>
#include <mutex>

namespace plenum {

struct RealFft::Plans {
    fftw_plan forward = nullptr;
    fftw_plan inverse = nullptr;
};

namespace {

// The plan cache lives for the whole run: it is created on first use and never destroyed, so no
// transform can outlive its plan during static destruction.
class PlanCache {
public:
    static PlanCache& Instance() {
        static auto* cache = new PlanCache;
        return *cache;
    }

    const RealFft::Plans* Get(int length) {
        const std::lock_guard lock(mutex_);
        auto [it, inserted] = plans_.try_emplace(length);
        if (inserted) {
            // Planning with FFTW_ESTIMATE neither reads nor writes the arrays, but the plan is
            // bound to their alignment and to being out of place; the buffers of every RealFft
            // come from fftw_malloc and are separate, so they match.
            const auto bins = static_cast<std::size_t>(length / 2 + 1);
            auto* time = fftw_alloc_real(static_cast<std::size_t>(length));
            auto* spectrum = fftw_alloc_complex(bins);
            it->second.forward = fftw_plan_dft_r2c_1d(length, time, spectrum, FFTW_ESTIMATE);
            it->second.inverse = fftw_plan_dft_c2r_1d(length, spectrum, time, FFTW_ESTIMATE);
            fftw_free(spectrum);
            fftw_free(time);
        }
        return &it->second;
    }

    int Count() {
        const std::lock_guard lock(mutex_);
        return static_cast<int>(plans_.size());
    }

private:
    std::mutex mutex_;
    std::map<int, RealFft::Plans> plans_;  // node-based: the addresses handed out stay valid
};

}  // namespace

void RealFft::Free::operator()(void* p) const { fftw_free(p); }

RealFft::RealFft(int length)
    : length_(length),
      plans_(PlanCache::Instance().Get(length)),
      time_(fftw_alloc_real(static_cast<std::size_t>(length))),
      spectrum_(reinterpret_cast<std::complex<double>*>(fftw_alloc_complex(static_cast<std::size_t>(length / 2 + 1)))) {
    assert(length >= 2 && length % 2 == 0);
    std::fill_n(time_.get(), length_, 0.0);
    std::fill_n(spectrum_.get(), binCount(), std::complex<double>{});
}

RealFft::~RealFft() = default;

std::span<std::complex<double>> RealFft::Forward() {
    // std::complex<double> is layout-compatible with fftw_complex (double[2]).
    fftw_execute_dft_r2c(plans_->forward, time_.get(), reinterpret_cast<fftw_complex*>(spectrum_.get()));
    return spectrum();
}

std::span<double> RealFft::Inverse() {
    fftw_execute_dft_c2r(plans_->inverse, reinterpret_cast<fftw_complex*>(spectrum_.get()), time_.get());
    return time();
}

std::span<std::complex<double>> RealFft::Forward(std::span<const double> samples) {
    const auto n = std::min(samples.size(), static_cast<std::size_t>(length_));
    std::copy_n(samples.begin(), n, time_.get());
    std::fill(time_.get() + n, time_.get() + length_, 0.0);
    return Forward();
}

int RealFft::CachedPlanCount() { return PlanCache::Instance().Count(); }

}  // namespace plenum
