plenum_fuzz(fuzz_project SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_project.cpp DEPS plenum_store)
plenum_fuzz(fuzz_backup SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_backup.cpp DEPS plenum_store)
