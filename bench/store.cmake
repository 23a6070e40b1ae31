plenum_bench(bench_store SOURCES ${CMAKE_CURRENT_LIST_DIR}/store_bench.cpp DEPS plenum_store)
