# Round trip of SendCommand against plenum-sim beside a bare-socket ping-pong, and the parallel
# TcpScan over a /24 of loopback addresses with hosts that never answer.
plenum_bench(comm_bench_roundtrip SOURCES comm_roundtrip.cpp DEPS plenum_comm plenum_sim)
plenum_bench(comm_bench_scan SOURCES comm_scan.cpp DEPS plenum_comm plenum_sim)
