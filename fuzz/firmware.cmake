# The firmware file parser and the loader's status replies (bytes from files and from devices).
plenum_fuzz(firmware_sfu_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/firmware_sfu.cpp DEPS plenum_comm)
