# FIR numerics: a crossover design with its response, minimum phase, fractional-octave smoothing.
plenum_bench(fir_bench SOURCES fir_bench.cpp DEPS plenum_fir)
