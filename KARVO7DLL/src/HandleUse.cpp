// Calls inside a card handle and the close that takes it: a close from another thread cancels
// the transfers of the calls inside and waits for them to leave before the handle goes, so that
// none of them finds released memory.
#include "Card.h"

namespace k7 {

bool enter(KARVO7Card* card) {
    if (card == nullptr || card->signature.load() != KARVO7_SIGNATURE) {
        return false;
    }
    std::lock_guard lock(card->inside.mutex);
    if (card->signature.load() != KARVO7_SIGNATURE) {
        return false;  // a close took it meanwhile
    }
    ++card->inside.count;
    return true;
}

// Notified under the lock: once the close sees no call inside, this one touches the handle no
// more. The thread's last error is the call's, whatever the lock leaves in it.
void leave(KARVO7Card* card) {
    const uint32_t why = os::lastError();
    {
        std::lock_guard lock(card->inside.mutex);
        --card->inside.count;
        card->inside.left.notify_all();
    }
    os::setLastError(why);
}

bool takeForClose(KARVO7Card* card) {
    if (card == nullptr || card->signature.load() != KARVO7_SIGNATURE) {
        return false;
    }
    std::unique_lock lock(card->inside.mutex);
    if (card->signature.exchange(0) != KARVO7_SIGNATURE) {
        return false;
    }
    if (card->inside.count > 0) {
        lock.unlock();
        os::cancelIo(card->device);
        lock.lock();
        card->inside.left.wait(lock, [card] { return card->inside.count == 0; });
    }
    return true;
}

void cancelIfClosing(KARVO7Card* card) {
    if (card->signature.load() != KARVO7_SIGNATURE) {
        os::cancelIo(card->device);
    }
}

}  // namespace k7
