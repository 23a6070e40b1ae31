plenum_fuzz(fuzz_group_presets SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_group_presets.cpp DEPS plenum_groups)
