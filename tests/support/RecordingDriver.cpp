#include "RecordingDriver.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "KARVO7Protocol.h"

namespace k7test {

namespace {
uint32_t numberOf(void* device) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(device));
}
}  // namespace

RecordingDriver::RecordingDriver() {
    devices_[1] = true;
}

void RecordingDriver::setDevices(std::map<uint32_t, bool> devices) {
    std::lock_guard l(mutex_);
    devices_ = std::move(devices);
}

void RecordingDriver::setPosition(uint32_t device, uint32_t bus, uint32_t slot) {
    std::lock_guard l(mutex_);
    positions_[device] = {bus, slot};
}

void RecordingDriver::failRequest(uint32_t code, int times, uint32_t error) {
    std::lock_guard l(mutex_);
    failures_.push_back({code, times, error});
}

void RecordingDriver::failNthCommand(int n, uint32_t error) {
    std::lock_guard l(mutex_);
    commandFailures_[commandsSeen_ + n] = error;
}

void RecordingDriver::answer(uint32_t code, Bytes output) {
    std::lock_guard l(mutex_);
    answers_[code] = std::move(output);
}

void RecordingDriver::handle(uint32_t code, Handler handler) {
    std::lock_guard l(mutex_);
    handlers_[code] = std::move(handler);
}

void RecordingDriver::scriptRead(ReadScript script) {
    std::lock_guard l(mutex_);
    reads_.push_back(std::move(script));
}

bool RecordingDriver::completePending(Bytes data, uint32_t status) {
    Pending p{};
    {
        std::lock_guard l(mutex_);
        if (pending_.empty()) {
            return false;
        }
        p = pending_.front();
        pending_.pop_front();
    }
    const uint32_t n = std::min<uint32_t>(p.size, static_cast<uint32_t>(data.size()));
    if (n > 0) {
        std::memcpy(p.buffer, data.data(), n);
    }
    K7DrvCompleteIrp(p.irp, status, n);
    return true;
}

size_t RecordingDriver::pendingCount() const {
    std::lock_guard l(mutex_);
    return pending_.size();
}

std::vector<RecordedRequest> RecordingDriver::requests() const {
    std::lock_guard l(mutex_);
    return requests_;
}

std::vector<Bytes> RecordingDriver::commandBlocks() const {
    std::lock_guard l(mutex_);
    std::vector<Bytes> blocks;
    for (const auto& r : requests_) {
        if (r.code == k7proto::req::kCommand) {
            blocks.push_back(r.input);
        }
    }
    return blocks;
}

std::vector<RecordedTransfer> RecordingDriver::transfers() const {
    std::lock_guard l(mutex_);
    return transfers_;
}

void RecordingDriver::clearRecords() {
    std::lock_guard l(mutex_);
    requests_.clear();
    transfers_.clear();
}

K7DrvDriver RecordingDriver::table() {
    K7DrvDriver t{};
    t.interfaceVersion = K7DRV_INTERFACE_VERSION;
    t.context = this;
    t.deviceExists = &RecordingDriver::deviceExists;
    t.open = &RecordingDriver::open;
    t.deviceControl = &RecordingDriver::control;
    t.read = &RecordingDriver::read;
    t.write = &RecordingDriver::write;
    t.cancel = &RecordingDriver::cancel;
    t.close = &RecordingDriver::close;
    return t;
}

int RecordingDriver::deviceExists(void* self, uint32_t number) {
    auto* d = static_cast<RecordingDriver*>(self);
    std::lock_guard l(d->mutex_);
    return d->devices_.count(number) ? 1 : 0;
}

uint32_t RecordingDriver::open(void* self, uint32_t number, void** device) {
    auto* d = static_cast<RecordingDriver*>(self);
    std::lock_guard l(d->mutex_);
    if (d->openError_ != K7_ERROR_SUCCESS) {
        return d->openError_;
    }
    if (!d->devices_.count(number)) {
        return K7_ERROR_FILE_NOT_FOUND;
    }
    if (d->open_.count(number)) {
        return K7_ERROR_SHARING_VIOLATION;
    }
    d->open_.insert(number);
    ++d->openCount_;
    *device = reinterpret_cast<void*>(static_cast<uintptr_t>(number));
    return K7_ERROR_SUCCESS;
}

uint32_t RecordingDriver::control(void* self, void* device, uint32_t code, const void* in,
                                  uint32_t inSize, void* out, uint32_t outSize,
                                  uint32_t* returned) {
    auto* d = static_cast<RecordingDriver*>(self);
    const uint32_t number = numberOf(device);
    Handler handler;
    {
        std::lock_guard l(d->mutex_);
        const auto* bytes = static_cast<const uint8_t*>(in);
        d->requests_.push_back({number, code, Bytes(bytes, bytes + (in ? inSize : 0)), outSize});
        if (code == k7proto::req::kCommand) {
            const int index = d->commandsSeen_++;
            if (auto it = d->commandFailures_.find(index); it != d->commandFailures_.end()) {
                const uint32_t error = it->second;
                d->commandFailures_.erase(it);
                return error;
            }
        }
        if (code != k7proto::req::kLastError) {
            for (auto it = d->failures_.begin(); it != d->failures_.end(); ++it) {
                if (it->code == 0 || it->code == code) {
                    const uint32_t error = it->error;
                    if (it->times > 0 && --it->times == 0) {
                        d->failures_.erase(it);
                    }
                    return error;
                }
            }
        }
        if (auto it = d->handlers_.find(code); it != d->handlers_.end()) {
            handler = it->second;
        } else {
            Bytes answer;
            if (auto a = d->answers_.find(code); a != d->answers_.end()) {
                answer = a->second;
            } else if (code == k7proto::req::kLastError) {
                answer = words({d->errorWord_});
            } else if (code == k7proto::req::kVersion3) {
                answer = words({d->devices_[number] ? 1u : 0u});
            } else if (code == k7proto::req::kCardPosition) {
                const auto pos = d->positions_[number];
                answer = words({pos.first, pos.second});
            }
            const uint32_t n = std::min<uint32_t>(outSize, static_cast<uint32_t>(answer.size()));
            if (n > 0 && out != nullptr) {
                std::memcpy(out, answer.data(), n);
            }
            *returned = outSize;
            return K7_ERROR_SUCCESS;
        }
    }
    return handler(static_cast<const uint8_t*>(in), inSize, static_cast<uint8_t*>(out), outSize,
                   returned);
}

uint32_t RecordingDriver::read(void* self, void* device, K7DrvIrp* irp, void* buffer, uint32_t size,
                               uint32_t* transferred) {
    auto* d = static_cast<RecordingDriver*>(self);
    std::lock_guard l(d->mutex_);
    d->transfers_.push_back({numberOf(device), false, size, {}});
    ReadScript script;
    if (!d->reads_.empty()) {
        script = std::move(d->reads_.front());
        d->reads_.pop_front();
    } else {
        script.data.assign(size, 0);
    }
    switch (script.mode) {
        case ReadScript::Mode::FailNow:
            return script.status;
        case ReadScript::Mode::Pending:
            d->pending_.push_back({irp, buffer, size, numberOf(device)});
            return K7_ERROR_IO_PENDING;
        case ReadScript::Mode::CompleteNow:
            break;
    }
    const uint32_t n = std::min<uint32_t>(size, static_cast<uint32_t>(script.data.size()));
    if (n > 0) {
        std::memcpy(buffer, script.data.data(), n);
    }
    *transferred = n;
    return script.status;
}

uint32_t RecordingDriver::write(void* self, void* device, K7DrvIrp*, const void* buffer,
                                uint32_t size, uint32_t* transferred) {
    auto* d = static_cast<RecordingDriver*>(self);
    std::lock_guard l(d->mutex_);
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    d->transfers_.push_back({numberOf(device), true, size, Bytes(bytes, bytes + size)});
    if (!d->reads_.empty() && d->reads_.front().mode == ReadScript::Mode::FailNow) {
        const uint32_t status = d->reads_.front().status;
        d->reads_.pop_front();
        return status;
    }
    *transferred = size;
    return K7_ERROR_SUCCESS;
}

void RecordingDriver::cancel(void* self, void* device) {
    auto* d = static_cast<RecordingDriver*>(self);
    std::vector<Pending> mine;
    {
        std::lock_guard l(d->mutex_);
        const uint32_t number = numberOf(device);
        for (auto it = d->pending_.begin(); it != d->pending_.end();) {
            if (it->device == number) {
                mine.push_back(*it);
                it = d->pending_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const auto& p : mine) {
        K7DrvCompleteIrp(p.irp, K7_ERROR_OPERATION_ABORTED, 0);
    }
}

uint32_t RecordingDriver::close(void* self, void* device) {
    cancel(self, device);
    auto* d = static_cast<RecordingDriver*>(self);
    std::lock_guard l(d->mutex_);
    d->open_.erase(numberOf(device));
    return d->closeError_;
}

ScopedDriver::ScopedDriver(RecordingDriver& driver) : ScopedDriver(driver.table()) {}

ScopedDriver::ScopedDriver(const K7DrvDriver& table) {
    if (K7DrvInstall(&table) == 0) {
        throw std::runtime_error("driver not installed: a device is still open");
    }
}

ScopedDriver::~ScopedDriver() {
    K7DrvInstall(nullptr);
}

namespace {
const uint8_t* within(const Bytes& bytes, size_t offset, size_t size) {
    if (offset > bytes.size() || bytes.size() - offset < size) {
        throw std::out_of_range("recorded bytes end before the value does");
    }
    return bytes.data() + offset;
}
}  // namespace

uint32_t le32(const Bytes& bytes, size_t offset) {
    return k7proto::le32(within(bytes, offset, 4));
}

uint16_t le16(const Bytes& bytes, size_t offset) {
    return k7proto::le16(within(bytes, offset, 2));
}

Bytes words(std::initializer_list<uint32_t> values) {
    Bytes out(4 * values.size());
    size_t at = 0;
    for (uint32_t v : values) {
        k7proto::putLe32(out.data() + at, v);
        at += 4;
    }
    return out;
}

Command decodeCommand(const Bytes& block) {
    namespace req = k7proto::req;
    Command c{le16(block, 0), block.at(req::kCommandCountOffset), {}};
    for (uint32_t i = 0; i < c.count && i < req::kMaxCommandWords; ++i) {
        c.data.push_back(le32(block, req::kCommandWordsOffset + 4 * i));
    }
    return c;
}

std::vector<Command> decodeCommands(const std::vector<Bytes>& blocks) {
    std::vector<Command> out;
    for (const auto& b : blocks) {
        out.push_back(decodeCommand(b));
    }
    return out;
}

}  // namespace k7test
