#include "CardClaims.h"

#include <mutex>
#include <set>

namespace k7acquire {

namespace {

// The process's engines share one table: the cards they read.
struct Claims {
    std::mutex mutex;
    std::set<KARVO7HANDLE> cards;
};

Claims& claims() {
    static Claims table;
    return table;
}

}  // namespace

bool claimCard(KARVO7HANDLE card) {
    Claims& c = claims();
    std::lock_guard lock(c.mutex);
    return c.cards.insert(card).second;
}

void releaseCard(KARVO7HANDLE card) {
    Claims& c = claims();
    std::lock_guard lock(c.mutex);
    c.cards.erase(card);
}

}  // namespace k7acquire
