#!/usr/bin/python3
"""Golden data for the response engine tests, from an independent computation.

The designs are written out again here in Python from the device's formulas, and the responses
are evaluated with scipy.signal.sosfreqz, i.e. by complex arithmetic on H(e^jw) rather than by
the sin^2 form and the firmware's arctangent that the C++ engine uses. The tests compare the C++
coefficients with the ones below and the C++ curves with these responses.

Run once from this folder (needs Debian's python3-scipy):  ./make_golden.py
Writes golden_cases.csv, golden_coefficients.csv and golden_response.csv.
"""
import csv
import math

import numpy as np
from scipy import signal

FS = 48000.0
PI = 3.14159265358979
TWO_PI = 6.28318530717958
N_POINTS = 6827
GRID = np.arange(N_POINTS) * 48000.0 / 16384.0

# Shelf design-rate table: kind (HSh1, HSh2, LSh1, LSh2) -> sign (boost, cut) -> nodes 15, 12, 9 dB.
RATE = {
    0: {+1: [[117000, -1600, 108.333333333333, -41.6666666666667, 6.01851851851852],
             [98000, -1200, -102.777777777778, 5.95238095238095, 0.607108940442274],
             [76500, -800, -50, 3.17460317460317, 0.702075702075702]],
        -1: [[112000, -1000, -125, -5.15873015873016, 0.274725274725275],
             [94000, -800, -91.6666666666667, -3.17460317460317, 0.134818884818885],
             [73000, -400, -52.7777777777778, -2.77777777777778, 0.136514719848053]]},
    1: {+1: [[67100, -420, -54.7222222222222, 3.45238095238095, -0.036290869624203],
             [61600, -320, -38.0555555555556, 2.65873015873016, -0.00407000407000406],
             [56000, -200, -26.3888888888889, 2.42063492063492, -0.0205196038529372]],
        -1: [[66200, -400, -34.7222222222222, -0.515873015873016, 0.0725817392484059],
             [60700, -270, -25.5555555555556, -0.396825396825397, 0.51943426943427],
             [55000, -150, -11.1111111111111, -0.873015873015873, 0.503154253154253]]},
    2: {+1: [[20000, 1000, 41.6666666666667, -2.77777777777778, 0.0118708452041785],
             [24000, 800, 50, -4.36507936507937, 0.189085605752272],
             [30000, 600, 30.5555555555556, -2.3015873015873, -0.0122100122100122]],
        -1: [[21000, 900, 45.8333333333333, -2.57936507936508, 0.190781440781441],
             [24500, 800, 29.1666666666667, -0.277777777777778, -0.00474833808167141],
             [31500, 450, 33.3333333333333, -0.714285714285715, -0.420906254239588]]},
    3: {+1: [[34500, 400, 27.7777777777778, -1.58730158730159, -0.0127187627187627],
             [37500, 300, 22.2222222222222, -1.19047619047619, -0.0407000407000407],
             [41250, 200, 15.2777777777778, -1.15079365079365, -0.0298466965133632]],
        -1: [[35000, 350, 26.3888888888889, -0.674603174603175, 0.011362094695428],
             [38000, 250, 20.8333333333333, -0.198412698412698, -0.250135666802333],
             [41850, 140, 13.6111111111111, -0.0396825396825397, -0.251831501831502]]},
}

SLOPES = {
    1: [(1, 0)], 2: [(2, 0.707)], 3: [(1, 0), (1, 0)], 4: [(2, 0.48)], 5: [(1, 0), (2, 1.0)],
    6: [(2, 0.54), (2, 1.3)], 7: [(2, 0.707), (2, 0.707)], 8: [(2, 0.54), (2, 0.806)],
    9: [(2, 0.518), (2, 0.7), (2, 1.932)], 10: [(2, 0.54), (2, 0.707), (2, 1.3)],
    11: [(2, 0.51), (2, 0.6), (2, 0.9), (2, 2.583)], 12: [(2, 0.54), (2, 0.54), (2, 1.3), (2, 1.3)],
}


def shelf_rate(kind, g_db, f):
    if -6 <= g_db <= 6:
        return 48000.0
    x = max(f / 1000.0, 2.0)
    rows = RATE[kind][+1 if g_db > 0 else -1]

    def newton(t):
        return (t[0] + t[1] * (x - 2) + t[2] * (x - 2) * (x - 7) + t[3] * (x - 2) * (x - 7) * (x - 11)
                + t[4] * (x - 2) * (x - 7) * (x - 11) * (x - 16))

    f15, f12, f9 = (newton(r) for r in rows)
    g = abs(g_db)
    d1 = (f9 - 48000) * 0.333333333333
    e1 = (f12 - f9) * 0.333333333333
    f1 = (f15 - f12) * 0.333333333333
    d2 = (e1 - d1) * 0.166666666666667
    e2 = (f1 - e1) * 0.166666666666667
    d3 = (e2 - d2) * 0.111111111111111
    return 48000 + d1 * (g - 6) + d2 * (g - 6) * (g - 9) + d3 * (g - 6) * (g - 9) * (g - 12)


def normalised(b, a):
    """(b0, b1, b2), (1, A1, A2) -> the stored form (a1, a2, b0, b1, b2) with a1 = -A1, a2 = -A2."""
    return (-a[1] / a[0], -a[2] / a[0], b[0] / a[0], b[1] / a[0], b[2] / a[0])


def bell(f, q, g):
    if g == 0:
        return (0.0, 0.0, 1.0, 0.0, 0.0)
    v = 10 ** (abs(g) / 20)
    k = math.tan(PI * f / FS)
    a = abs(g)
    p = (1.9799 - 0.19327634 * (a - 3) + 0.01610636 * (a - 3) * (a - 6)
         - 0.00052378412 * (a - 3) * (a - 6) * (a - 9)
         - 0.000032736507 * (a - 3) * (a - 6) * (a - 9) * (a - 12))
    qc = q * min(p, 1.9799)
    if g > 0:
        return normalised([1 + v * k / qc + k * k, 2 * (k * k - 1), 1 - v * k / qc + k * k],
                          [1 + k / qc + k * k, 2 * (k * k - 1), 1 - k / qc + k * k])
    return normalised([1 + k / qc + k * k, 2 * (k * k - 1), 1 - k / qc + k * k],
                      [1 + v * k / qc + k * k, 2 * (k * k - 1), 1 - v * k / qc + k * k])


def shelf(code, f, q, g):
    if g == 0:
        return (0.0, 0.0, 1.0, 0.0, 0.0)
    A = 10 ** (g / 40)
    fs = FS
    if code in (1, 4):
        s, q = 0.9, 0.4
        fs = shelf_rate(0 if code == 1 else 2, g, f)
    elif code in (2, 5):
        s, q = 1.578486, 1.3080997467041016  # the device uses this value, written as 1.3081
        fs = shelf_rate(1 if code == 2 else 3, g, f)
    else:
        s = q + 0.5 if q < 1 else 0.06 * q + 1.5
    beta = s / q * math.sqrt(A)
    w = TWO_PI * f / fs
    c, sn = math.cos(w), math.sin(w)
    if code <= 3:
        b = [A * ((A + 1) + (A - 1) * c + beta * sn), -2 * A * ((A - 1) + (A + 1) * c),
             A * ((A + 1) + (A - 1) * c - beta * sn)]
        a = [(A + 1) - (A - 1) * c + beta * sn, 2 * ((A - 1) - (A + 1) * c), (A + 1) - (A - 1) * c - beta * sn]
    else:
        b = [A * ((A + 1) - (A - 1) * c + beta * sn), 2 * A * ((A - 1) - (A + 1) * c),
             A * ((A + 1) - (A - 1) * c - beta * sn)]
        a = [(A + 1) + (A - 1) * c + beta * sn, -2 * ((A - 1) + (A + 1) * c), (A + 1) + (A - 1) * c - beta * sn]
    return normalised(b, a)


def xover(order, low, f, q):
    if order == 1:
        k = math.tan(PI * f / FS)
        p = (k - 1) / (k + 1)
        b = [(1 + p) / 2, (1 + p) / 2, 0] if low else [(1 - p) / 2, -(1 - p) / 2, 0]
        return normalised(b, [1, p, 0])
    w = TWO_PI * f / FS
    alpha = math.sin(w) / (2 * q)
    cw = math.cos(w)
    b = [(1 - cw) / 2, 1 - cw, (1 - cw) / 2] if low else [(1 + cw) / 2, -(1 + cw), (1 + cw) / 2]
    return normalised(b, [1 + alpha, -2 * cw, 1 - alpha])


def band(code, f, q, g):
    k = math.tan(PI * (f / q) / FS)
    c = (k - 1) / (k + 1)
    w = TWO_PI * f / FS
    a = [1, -(1 - c) * math.cos(w), -c]
    if code == 13:
        amp = 10 ** (g / 20)
        return normalised([amp * (1 + c) / 2, 0, -amp * (1 + c) / 2], a)
    return normalised([(1 - c) / 2, -(1 - c) * math.cos(w), (1 - c) / 2], a)


def allpass(order, f, q):
    if order == 1:
        k = math.tan(PI * f / FS)
        p = (k - 1) / (k + 1)
        return normalised([p, 1, 0], [1, p, 0])
    w = TWO_PI * f / FS
    alpha = math.sin(w) / (2 * q)
    return normalised([1 - alpha, -2 * math.cos(w), 1 + alpha], [1 + alpha, -2 * math.cos(w), 1 - alpha])


def peq(code, f, q, g):
    if code == 0:
        return bell(f, q, g)
    if 1 <= code <= 6:
        return shelf(code, f, q, g)
    if code in (7, 8, 9, 10, 11, 12):
        low = code <= 9
        kind = (code - 7) % 3
        if kind == 0:
            return xover(1, low, f, 0)
        return xover(2, low, f, 0.707 if kind == 1 else q)
    if code in (13, 14):
        return band(code, f, q, g)
    return allpass(1 if code == 15 else 2, f, q)


# (name, kind, code, lowpass, freq, q, gain)
CASES = [
    ("bell_boost_3", "peq", 0, 0, 1000, 1.25, 3.0),
    ("bell_cut_12", "peq", 0, 0, 250, 2.3, -12.0),
    ("bell_boost_15_hi", "peq", 0, 0, 15000, 0.5, 15.0),
    ("bell_cut_7_5", "peq", 0, 0, 63, 4.0, -7.5),
    ("hsh1_boost_15", "peq", 1, 0, 2000, 1.0, 15.0),
    ("hsh1_cut_10", "peq", 1, 0, 8000, 1.0, -10.0),
    ("hsh2_boost_9", "peq", 2, 0, 5000, 1.0, 9.0),
    ("hsh2_cut_4", "peq", 2, 0, 3000, 1.0, -4.0),
    ("hshq_boost_6", "peq", 3, 0, 4000, 0.7, 6.0),
    ("hshq_cut_12_q2", "peq", 3, 0, 6000, 2.0, -12.0),
    ("lsh1_boost_12", "peq", 4, 0, 100, 1.0, 12.0),
    ("lsh1_cut_15_5k", "peq", 4, 0, 5000, 1.0, -15.0),
    ("lsh2_boost_7", "peq", 5, 0, 200, 1.0, 7.0),
    ("lsh2_cut_13", "peq", 5, 0, 12000, 1.0, -13.5),
    ("lshq_boost_3", "peq", 6, 0, 80, 0.5, 3.0),
    ("lp1_1k", "peq", 7, 0, 1000, 1.0, 0.0),
    ("lp2_500", "peq", 8, 0, 500, 3.0, 0.0),
    ("lpq_2k_q3", "peq", 9, 0, 2000, 3.0, 0.0),
    ("hp1_50", "peq", 10, 0, 50, 1.0, 0.0),
    ("hp2_120", "peq", 11, 0, 120, 3.0, 0.0),
    ("hpq_40_q05", "peq", 12, 0, 40, 0.5, 0.0),
    ("bp_1k_q2_6", "peq", 13, 0, 1000, 2.0, 6.0),
    ("bp_300_q5_m3", "peq", 13, 0, 300, 5.0, -3.0),
    ("notch_1k_q4", "peq", 14, 0, 1000, 4.0, 0.0),
    ("ap1_700", "peq", 15, 0, 700, 1.0, 0.0),
    ("ap2_1k_q07", "peq", 16, 0, 1000, 0.7, 0.0),
]
for slope in range(1, 13):
    CASES.append((f"xover_lp_{slope}", "xover", slope, 1, 1000, 0, 0))
    CASES.append((f"xover_hp_{slope}", "xover", slope, 0, 80, 0, 0))


def sections_of(case):
    _, kind, code, low, f, q, g = case
    if kind == "peq":
        return [peq(code, f, q, g)]
    return [xover(order, bool(low), f, sq) for order, sq in SLOPES[code]]


def points_of(case):
    f = case[4]
    near = int(round(f / (48000.0 / 16384.0)))
    ks = set(range(1, 4)) | set(range(0, N_POINTS, 97)) | {N_POINTS - 1}
    ks |= {k for k in range(near - 3, near + 4) if 0 <= k < N_POINTS}
    return sorted(ks)


def main():
    with open("golden_cases.csv", "w", newline="") as fc, \
            open("golden_coefficients.csv", "w", newline="") as fk, \
            open("golden_response.csv", "w", newline="") as fr:
        wc, wk, wr = csv.writer(fc), csv.writer(fk), csv.writer(fr)
        wc.writerow(["case", "kind", "code", "lowpass", "freq", "q", "gain"])
        wk.writerow(["case", "section", "a1", "a2", "b0", "b1", "b2"])
        wr.writerow(["case", "k", "mag_db", "phase_rad"])
        for case in CASES:
            wc.writerow(case)
            sections = sections_of(case)
            sos = []
            for i, s in enumerate(sections):
                wk.writerow([case[0], i] + [repr(float(x)) for x in s])
                a1, a2, b0, b1, b2 = s
                sos.append([b0, b1, b2, 1.0, -a1, -a2])
            ks = points_of(case)
            w = 2 * np.pi * GRID[ks] / FS
            _, h = signal.sosfreqz(np.array(sos), worN=w)
            for k, hk in zip(ks, h):
                if k == 0:
                    continue
                wr.writerow([case[0], k, "%.15g" % (20 * np.log10(abs(hk))), "%.15g" % np.angle(hk)])


if __name__ == "__main__":
    main()
