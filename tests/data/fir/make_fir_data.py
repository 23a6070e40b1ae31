#!/usr/bin/env python3
"""Writes the FIR coefficient and measurement files the fir tests read, and the words the
device must hold for them (round(c * 2^21), negatives as 2^24 + v), computed here on their own."""
import math

def lowpass(n, cutoff=0.25):
    # A Hann-windowed sinc: realistic values, all well inside +-4.
    out = []
    for i in range(n):
        x = i - (n - 1) / 2
        s = 2 * cutoff if x == 0 else math.sin(2 * math.pi * cutoff * x) / (math.pi * x)
        w = 0.5 - 0.5 * math.cos(2 * math.pi * i / (n - 1))
        out.append(round(s * w, 9))
    return out

def word(c):
    v = round(c * 2097152)
    return v + 16777216 if v < 0 else v

def write(name, lines, newline="\r\n"):
    with open(name, "w", newline="") as f:
        f.write(newline.join(lines) + newline)

taps256 = lowpass(256)
write("taps256.txt", [repr(c) for c in taps256])
write("taps256.words", [str(word(c)) for c in taps256], "\n")
write("mixed_case.TxT", [repr(c) for c in lowpass(288)], "\n")
write("taps300.txt", [repr(c) for c in lowpass(300)])
write("taps128.txt", [repr(c) for c in lowpass(128)])
taps1025 = lowpass(1025)
write("taps1025.txt", [repr(c) for c in taps1025])
plus4 = lowpass(256); plus4[10] = 4.0
write("plus4.txt", [repr(c) for c in plus4])
minus4 = lowpass(256); minus4[200] = -4.0
write("minus4.txt", [repr(c) for c in minus4])
edge = lowpass(256); edge[0] = 3.999999; edge[1] = -3.999999
write("nearly4.txt", [repr(c) for c in edge])
notnum = lowpass(256); notnum = [repr(c) for c in notnum]; notnum[5] = "abc"
write("not_a_number.txt", notnum)
write("comma_pairs.csv", ["%d,%r" % (i + 1, c) for i, c in enumerate(taps256)])
write("semicolon_decimal_comma.CsV", ["%d;%s" % (i + 1, repr(c).replace(".", ",")) for i, c in enumerate(taps256)])
write("plain.saf", ["FIR export 48000 Hz"] + [repr(c) for c in lowpass(320)])
write("counted.saf", ["513\t256\t48000"] + [repr(c) for c in taps256])
write("counted_short.saf", ["513\t256\t48000"] + [repr(c) for c in taps256[:255]])
write("counted_huge.saf", ["513 1e300"] + [repr(c) for c in taps256])
write("counted_fraction.saf", ["513 255.5"] + [repr(c) for c in taps256])
write("decimal_comma.saf", ["513 256"] + [repr(c).replace(".", ",") for c in taps256])
write("words.csv", ["coefficient,word"] + ["%r,%d" % (c, word(c)) for c in
      [0.0, 1.0, -1.0, 0.5, -0.5, 2 ** -21, -(2 ** -21), 1.5 * 2 ** -21, 3.5, -3.5, 3.999999, -3.999999,
       -4.0 + 2 ** -21, 0.123456789, -0.987654321]], "\n")
with open("one_byte.txt", "w") as f:
    f.write("1")
write("unsupported.dat", [repr(c) for c in taps256])

# Measurements: 1/24-octave points from 20 Hz to 20 kHz of a second-order high-pass at 100 Hz.
freqs = [20 * 2 ** (k / 24) for k in range(240)]
def hp(f):
    s = 1j * f / 100
    h = s * s / (s * s + math.sqrt(2) * s + 1)
    return 20 * math.log10(abs(h)), math.degrees(math.atan2(h.imag, h.real))
rows = [(f,) + hp(f) + (0.98,) for f in freqs]
write("smaart.txt", ["Smaart transfer function export", "Name: HP100", "Frequency\tMagnitude\tPhase\tCoherence"] +
      ["%.4f\t%.4f\t%.4f\t%.2f" % r for r in rows])
write("rita.txt", ["Frequency,Values,Magnitude,Phase,Coherence"] + ["%.4f,%.4f,%.4f,%.2f" % r for r in rows])
write("rita_mixed_case.txt", ["frequency,Values (exported)"] + ["%.4f,%.4f,%.4f,%.2f" % r for r in rows])
bad = ["%.4f\t%.4f\t%.4f\t%.2f" % r for r in rows]; bad[20] = "1000\t-3\tx\t0.9"
write("smaart_bad_field.txt", ["a", "b", "c"] + bad)
write("smaart_three_columns.txt", ["a", "b", "c"] + ["%.4f\t%.4f\t%.4f" % r[:3] for r in rows])
write("smaart.csv", ["a", "b", "c"] + ["%.4f\t%.4f\t%.4f\t%.2f" % r for r in rows])
