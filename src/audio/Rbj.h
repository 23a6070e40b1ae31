// Second-order sections after R. Bristow-Johnson's "Audio EQ Cookbook", normalised to a0 = 1:
// used for the built-in loudspeaker's filters and for the wizard's EQ target bands.
#pragma once

#include <cmath>
#include <complex>
#include <numbers>

namespace plenum::audio {

struct Rbj {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;

    static Rbj Make(double b0, double b1, double b2, double a0, double a1, double a2) {
        return {b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
    }
    static Rbj LowPass(double f, double q, double fs) {
        const double w = 2 * std::numbers::pi * f / fs, c = std::cos(w), al = std::sin(w) / (2 * q);
        return Make((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + al, -2 * c, 1 - al);
    }
    static Rbj HighPass(double f, double q, double fs) {
        const double w = 2 * std::numbers::pi * f / fs, c = std::cos(w), al = std::sin(w) / (2 * q);
        return Make((1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + al, -2 * c, 1 - al);
    }
    static Rbj Bell(double f, double q, double gainDb, double fs) {
        const double A = std::pow(10.0, gainDb / 40), w = 2 * std::numbers::pi * f / fs, c = std::cos(w),
                     al = std::sin(w) / (2 * q);
        return Make(1 + al * A, -2 * c, 1 - al * A, 1 + al / A, -2 * c, 1 - al / A);
    }
    static Rbj Shelf(bool high, double f, double q, double gainDb, double fs) {
        const double A = std::pow(10.0, gainDb / 40), w = 2 * std::numbers::pi * f / fs, c = std::cos(w),
                     al = std::sin(w) / (2 * q), s = 2 * std::sqrt(A) * al;
        if (high)
            return Make(A * ((A + 1) + (A - 1) * c + s), -2 * A * ((A - 1) + (A + 1) * c), A * ((A + 1) + (A - 1) * c - s),
                        (A + 1) - (A - 1) * c + s, 2 * ((A - 1) - (A + 1) * c), (A + 1) - (A - 1) * c - s);
        return Make(A * ((A + 1) - (A - 1) * c + s), 2 * A * ((A - 1) - (A + 1) * c), A * ((A + 1) - (A - 1) * c - s),
                    (A + 1) + (A - 1) * c + s, -2 * ((A - 1) + (A + 1) * c), (A + 1) + (A - 1) * c - s);
    }

    // Filters in place (direct form I).
    template <class Vec>
    void Run(Vec& x) const {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        for (auto& v : x) {
            const double y = b0 * v + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
            x2 = x1, x1 = v, y2 = y1, y1 = y, v = y;
        }
    }
    double MagnitudeDb(double f, double fs) const {
        const std::complex<double> z1 = std::polar(1.0, -2 * std::numbers::pi * f / fs), z2 = z1 * z1;
        return 20 * std::log10(std::abs((b0 + b1 * z1 + b2 * z2) / (1.0 + a1 * z1 + a2 * z2)));
    }
};

}  // namespace plenum::audio
