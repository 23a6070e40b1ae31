#!/usr/bin/python3
"""Golden data for the FIR design tests, from an independent reference (scipy.signal).

Linear phase: scipy.signal.firwin with the window of each case. firwin makes odd-length low-passes
and high-passes itself; the cases follow the designer's own rules, which the tests document:
  * a high-pass is the spectral inversion of the low-pass (unit impulse at the centre minus the
    firwin low-pass), so that low-pass + high-pass is a pure delay;
  * an even tap count L is the odd firwin design of L - 1 taps followed by one zero tap.
Windows: scipy's own for Rect (boxcar), Kaiser (beta from scipy.signal.kaiser_beta), Hanning (hann),
Hamming, Blackman, Blackman-Harris (blackmanharris), Blackman-Nuttall (scipy's nuttall, the
0.3635819 set), Nuttall (general_cosine with 0.355768 / 0.487396 / 0.144232 / 0.012604),
Kaiser-Bessel (Kaiser at 64 dB), Sinc (lanczos, raised to the power of the case) and Sine (cosine,
raised to the power of the case). The Sinc and Sine cases use attenuations at which the designer's
power table has a node (power 0, 1 or 2), so the window is scipy's to a whole power.

Minimum phase, two references:
  * minphase_scipy.txt: scipy.signal.minimum_phase(method='homomorphic', n_fft=65536). That routine
    returns a filter whose magnitude is the square root of its input's (it is meant for filters
    designed with squared magnitude), so it is given the linear-phase filter convolved with itself,
    whose magnitude is the square of the filter's; the result has the filter's own length and
    magnitude. Its deep stop-band nulls are floored only by the rounding of that self-convolution's
    transform, so its taps differ from the designer's (which floors the power 40 dB below the stop
    band) while the magnitude agrees: the tests compare magnitudes.
  * minphase_numpy.txt: the same real-cepstrum construction written out with numpy's FFT and the
    designer's floor rule, compared tap by tap.

Run once from this folder (needs Debian's python3-scipy):  ./make_golden.py
Writes firwin_golden.txt, minphase_scipy.txt and minphase_numpy.txt: for each case a line
"# name window attenuation taps frequency lp|hp" and then one coefficient per line.
"""
import warnings

import numpy as np
from scipy import signal

# An even case ends in its zero tap, so the self-convolution is not symmetric and scipy warns that
# the conversion "may fail"; it only looks at the magnitude, which the zero tap does not change.
warnings.filterwarnings('ignore', message='h does not appear')

FS = 48000.0

WINDOWS = {  # code: (label, scipy window or None for the powered ones)
    0: 'boxcar', 3: 'hann', 4: 'hamming', 5: 'blackman', 6: 'blackmanharris', 7: 'nuttall',
    8: ('general_cosine', [0.355768, 0.487396, 0.144232, 0.012604]),
}
SINC_POWER = {21.0: 0, 38.5: 1, 54.6: 2}
SINE_POWER = {21.0: 0, 33.8: 1, 43.9: 2}


def window(code, att, length):
    if code in WINDOWS:
        return signal.get_window(WINDOWS[code], length, fftbins=False)
    if code in (1, 9):
        beta = signal.kaiser_beta(att if code == 1 else 64.0)
        return signal.get_window(('kaiser', beta), length, fftbins=False)
    if code == 2:
        return signal.windows.lanczos(length, sym=True) ** SINC_POWER[att]
    if code == 10:
        return signal.windows.cosine(length, sym=True) ** SINE_POWER[att]
    raise ValueError(code)


def firwin_lowpass(code, att, length, freq):
    # firwin with an explicit window array: the unscaled boxcar design times the window, then
    # firwin's own scaling (unit gain at 0 Hz).
    h = signal.firwin(length, freq, window='boxcar', scale=False, fs=FS) * window(code, att, length)
    return h / np.sum(h)


def design(code, att, taps, freq, kind):
    odd = taps if taps % 2 else taps - 1
    h = firwin_lowpass(code, att, odd, freq)
    if kind == 'hp':
        h = -h
        h[(odd - 1) // 2] += 1.0
    return np.concatenate([h, np.zeros(taps - odd)])


DESIGN_CASES = [
    ('rect_lp', 0, 21.0, 63, 1000.0, 'lp'),
    ('rect_hp', 0, 21.0, 63, 5000.0, 'hp'),
    ('kaiser40_lp', 1, 40.0, 101, 2000.0, 'lp'),
    ('kaiser60_hp', 1, 60.0, 101, 3000.0, 'hp'),
    ('kaiser90_lp_even', 1, 90.0, 256, 800.0, 'lp'),
    ('sinc0_lp', 2, 21.0, 33, 7000.0, 'lp'),
    ('sinc1_lp', 2, 38.5, 63, 4000.0, 'lp'),
    ('sinc2_hp_even', 2, 54.6, 64, 6000.0, 'hp'),
    ('hanning_lp_even', 3, 43.0, 64, 1200.0, 'lp'),
    ('hanning_hp', 3, 43.0, 65, 250.0, 'hp'),
    ('hamming_lp', 4, 53.0, 127, 2500.0, 'lp'),
    ('blackman_hp', 5, 75.0, 127, 500.0, 'hp'),
    ('blackmanharris_lp', 6, 108.0, 95, 10000.0, 'lp'),
    ('blackmannuttall_hp', 7, 72.0, 95, 15000.0, 'hp'),
    ('nuttall_lp', 8, 112.0, 129, 300.0, 'lp'),
    ('kaiserbessel_hp_even', 9, 64.0, 128, 20000.0, 'hp'),
    ('sine0_lp', 10, 21.0, 31, 9000.0, 'lp'),
    ('sine1_lp', 10, 33.8, 63, 3500.0, 'lp'),
    ('sine2_hp', 10, 43.9, 63, 8000.0, 'hp'),
    ('kaiser80_lp_512', 1, 80.0, 512, 1000.0, 'lp'),
]

MINPHASE_CASES = [
    ('hamming_hp_127', 4, 53.0, 127, 2000.0, 'hp'),
    ('kaiser60_lp_256', 1, 60.0, 256, 1000.0, 'lp'),
    ('blackman_lp_1024', 5, 75.0, 1024, 500.0, 'lp'),
    ('blackmanharris_hp_511', 6, 108.0, 511, 1500.0, 'hp'),
]


def write(path, cases, transform):
    with open(path, 'w') as out:
        for name, code, att, taps, freq, kind in cases:
            h = transform(design(code, att, taps, freq, kind), att)
            out.write(f'# {name} {code} {att:g} {taps} {freq:g} {kind}\n')
            out.writelines(f'{v:.17g}\n' for v in h)


def scipy_minimum_phase(h):
    out = signal.minimum_phase(np.convolve(h, h), method='homomorphic', n_fft=65536)
    assert len(out) == len(h)
    return out


def numpy_minimum_phase(h, att, n_fft=65536):
    """Real cepstrum folded onto its causal half up to the filter's length, power floored
    40 dB below the stop band (and at least 1e-7 of the smallest non-zero power)."""
    length = len(h)
    power = np.abs(np.fft.rfft(h, n_fft)) ** 2
    floor = max(1e-7 * power[power > 0].min(), power.max() * 10 ** (-(att + 40) / 10))
    cepstrum = np.fft.irfft(0.5 * np.log(power + floor), n_fft)
    cepstrum[1:length] *= 2
    cepstrum[length + 1:] = 0
    return np.fft.irfft(np.exp(np.fft.rfft(cepstrum)), n_fft)[:length]


if __name__ == '__main__':
    write('firwin_golden.txt', DESIGN_CASES, lambda h, att: h)
    write('minphase_scipy.txt', MINPHASE_CASES, lambda h, att: scipy_minimum_phase(h))
    write('minphase_numpy.txt', MINPHASE_CASES, numpy_minimum_phase)
