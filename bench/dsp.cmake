# Response engine: a fader drag, a full satellite channel and one section, against std::complex.
plenum_bench(dsp_bench SOURCES dsp_bench.cpp DEPS plenum_dsp)
