# The simulator's request framer and device answers (plenum-sim must never crash on garbage).
plenum_fuzz(sim_request_framer_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/sim_request_framer.cpp DEPS plenum_sim)
# The device's decoding of parameter and program commands (writes stay inside the bytes they own).
plenum_fuzz(sim_param_decoder_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/sim_param_decoder.cpp DEPS plenum_sim)
