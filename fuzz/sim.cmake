# The simulator's request framer and device answers (plenum-sim must never crash on garbage).
plenum_fuzz(sim_request_framer_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/sim_request_framer.cpp DEPS plenum_sim)
