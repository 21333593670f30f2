// What the data-rate runs give the acquisition engine for a group of parameter sets measured in
// turn: the read size (the largest shot of the group) and the shot rate. Reads one group a line
// from standard input, each set as "Aufnahmelaenge Faktor ASCAN 8Bit ExternerTrigger IFF" and
// the sets separated by ";", and writes "bytes rate" a line. The Python package's stream copies
// these rules; its agreement test compares the two.
#include <algorithm>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "runs/EngineReads.h"

namespace {

bool readSet(const std::string& text, k7check::ParameterSet& set) {
    std::istringstream in(text);
    unsigned length = 0, faktor = 0, ascan = 0, bit8 = 0, external = 0, iff = 0;
    if (!(in >> length >> faktor >> ascan >> bit8 >> external >> iff)) {
        return false;
    }
    set.aufnahmelaenge = static_cast<uint16_t>(length);
    set.faktor = static_cast<uint8_t>(faktor);
    set.ascan = ascan != 0;
    set.bit8 = bit8 != 0;
    set.externerTrigger = external != 0;
    set.iff = iff;
    return true;
}

}  // namespace

int main() {
    std::string line;
    while (std::getline(std::cin, line)) {
        std::vector<k7check::ParameterSet> sets;
        std::istringstream groups(line);
        std::string text;
        while (std::getline(groups, text, ';')) {
            sets.emplace_back();
            if (!readSet(text, sets.back())) {
                std::cerr << "not a set: " << text << "\n";
                return 2;
            }
        }
        uint32_t bytes = 0;
        std::vector<const k7check::ParameterSet*> cycle;
        for (const k7check::ParameterSet& set : sets) {
            bytes = std::max(bytes, k7check::largestShotBytes(set));
            cycle.push_back(&set);
        }
        std::cout << bytes << " " << k7check::shotRateOf(cycle) << "\n";
    }
    return 0;
}
