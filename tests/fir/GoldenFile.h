// Reads the FIR golden files of tests/data/fir (written by make_golden.py there): for each case a
// line "# name window attenuation taps frequency lp|hp", then one coefficient per line.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fir/FirDesign.h"

namespace plenum::test {

struct GoldenFirCase {
    std::string name;
    FirDesignRequest request;
    std::vector<double> taps;
};

inline std::vector<GoldenFirCase> ReadGoldenFir(const std::string& file) {
    std::ifstream in(std::string(PLENUM_TEST_DATA_DIR) + "/fir/" + file);
    std::vector<GoldenFirCase> cases;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        if (line[0] == '#') {
            std::istringstream fields(line.substr(1));
            GoldenFirCase c;
            int window = 0;
            std::string kind;
            fields >> c.name >> window >> c.request.attenuationDb >> c.request.taps >> c.request.frequencyHz >> kind;
            c.request.window = static_cast<FirWindow>(window);
            c.request.highPass = kind == "hp";
            cases.push_back(std::move(c));
        } else if (!cases.empty()) {
            cases.back().taps.push_back(std::stod(line));
        }
    }
    return cases;
}

}  // namespace plenum::test
