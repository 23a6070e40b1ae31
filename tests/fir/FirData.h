// The golden files of the fir tests (tests/data/fir, written by make_fir_data.py).
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace plenum::test {

inline std::filesystem::path FirData(const std::string& name) {
    return std::filesystem::path(PLENUM_TEST_DATA_DIR) / "fir" / name;
}

// One integer per line.
inline std::vector<std::int32_t> ReadWords(const std::string& name) {
    std::ifstream in(FirData(name));
    std::vector<std::int32_t> words;
    for (std::int32_t w = 0; in >> w;) words.push_back(w);
    return words;
}

}  // namespace plenum::test
