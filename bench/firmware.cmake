# A whole firmware load (enter, erase, chunks, verify, boot) against plenum-sim over loopback TCP
# and over a pty, with the wire time the same image would take on a real 57600-baud cable.
plenum_bench(firmware_bench_load SOURCES ${CMAKE_CURRENT_LIST_DIR}/firmware_load.cpp DEPS plenum_comm plenum_sim)
