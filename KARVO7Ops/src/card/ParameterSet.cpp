#include "card/ParameterSet.h"

namespace k7check {

ParameterSet& ParameterSetTable::set(uint32_t card, uint32_t set) {
    return sets_.at(card - 1).at(set);
}

const ParameterSet& ParameterSetTable::set(uint32_t card, uint32_t set) const {
    return sets_.at(card - 1).at(set);
}

bool& ParameterSetTable::active(uint32_t card, uint32_t set) {
    return active_.at(card - 1).at(set);
}

bool ParameterSetTable::active(uint32_t card, uint32_t set) const {
    return active_.at(card - 1).at(set);
}

std::array<bool, kSetsPerCard>& ParameterSetTable::activeFlags(uint32_t card) {
    return active_.at(card - 1);
}

const std::array<bool, kSetsPerCard>& ParameterSetTable::activeFlags(uint32_t card) const {
    return active_.at(card - 1);
}

}  // namespace k7check
