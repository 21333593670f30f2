#include "runs/RunDisplays.h"

#include <algorithm>
#include <optional>

#include "app/Session.h"
#include "runs/DataRateRuns.h"

namespace k7check {

void RunDisplays::open(const std::vector<std::string>& titles) {
    for (const std::string& title : titles) {
        windows_list_.push_back(windows_.openDisplay(session_, title));
        lastUpdate_.push_back(session_.desktop().tickCount() - throttleMs_ - 1);
        // Room for the largest shot, so that handing one over never allocates.
        auto box = std::make_unique<Mailbox>();
        box->spare.reserve(kDataBufferSize);
        box->shown.reserve(kDataBufferSize);
        boxes_.push_back(std::move(box));
    }
    if (windows_list_.size() > 1) {
        const std::vector<Rect> tiles =
            tileWindows(session_.desktop().workArea(), windows_list_.size());
        for (std::size_t i = 0; i < windows_list_.size(); ++i) {
            if (windows_list_[i] != nullptr) {
                windows_list_[i]->place(tiles[i]);
            }
        }
    }
}

bool RunDisplays::due(std::size_t i) {
    return i < windows_list_.size() && windows_list_[i] != nullptr &&
           session_.desktop().tickCount() - lastUpdate_[i] > throttleMs_;
}

void RunDisplays::update(std::size_t i, const MeasuredDataInputs& inputs) {
    if (!due(i)) {
        return;
    }
    lastUpdate_[i] = session_.desktop().tickCount();
    windows_list_[i]->show(inputs);
}

bool RunDisplays::wants(std::size_t i) const {
    return i < boxes_.size() && windows_list_[i] != nullptr &&
           boxes_[i]->wanted.load(std::memory_order_relaxed);
}

void RunDisplays::offer(std::size_t i, const MeasuredDataInputs& inputs) {
    if (!wants(i)) {
        return;
    }
    Mailbox& box = *boxes_[i];
    const uint32_t length = std::min<uint32_t>(inputs.length, kDataBufferSize);
    std::lock_guard lock(box.mutex);
    box.spare.assign(inputs.data, inputs.data + (inputs.data != nullptr ? length : 0));
    box.inputs = inputs;
    box.inputs.length = static_cast<uint32_t>(box.spare.size());
    box.fresh = true;
    box.wanted.store(false, std::memory_order_relaxed);
}

void RunDisplays::serve() {
    const uint32_t now = session_.desktop().tickCount();
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        Mailbox& box = *boxes_[i];
        if (windows_list_[i] == nullptr) {
            continue;
        }
        std::optional<MeasuredDataInputs> inputs;
        {
            std::lock_guard lock(box.mutex);
            if (box.fresh) {
                box.spare.swap(box.shown);
                inputs = box.inputs;
                box.fresh = false;
            }
        }
        if (inputs) {
            inputs->data = box.shown.empty() ? nullptr : box.shown.data();
            lastUpdate_[i] = now;
            windows_list_[i]->show(*inputs);
        } else if (!box.wanted.load(std::memory_order_relaxed) &&
                   now - lastUpdate_[i] > throttleMs_) {
            box.wanted.store(true, std::memory_order_relaxed);
        }
    }
}

void RunDisplays::close(std::size_t i) {
    if (i < windows_list_.size()) {
        windows_list_[i].reset();
    }
}

}  // namespace k7check
