# The desktop application's start: the main window from construction (transports, session project
# with 24 listed devices, tiles, timers) to its first paint on the offscreen platform, against a
# bare Qt Widgets window; and the process's peak memory.
if(TARGET plenum_ui)
  plenum_bench(ui_bench_startup SOURCES ${CMAKE_CURRENT_LIST_DIR}/ui_startup.cpp DEPS plenum_ui)
endif()

# The event loop's stalls while the meter poll runs against 24 slow simulated loudspeakers.
if(TARGET plenum_ui)
  plenum_bench(ui_bench_poll SOURCES ${CMAKE_CURRENT_LIST_DIR}/ui_bench_poll.cpp DEPS plenum_ui plenum_sim)
endif()

# One fader movement end to end, and a 10 s drag against 24 slow simulated loudspeakers.
if(TARGET plenum_ui)
  plenum_bench(ui_bench_edit SOURCES ${CMAKE_CURRENT_LIST_DIR}/ui_bench_edit.cpp DEPS plenum_ui plenum_sim)
endif()
