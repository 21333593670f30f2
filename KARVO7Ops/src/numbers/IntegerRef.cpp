#include "numbers/IntegerRef.h"

#include <cstring>

namespace k7check {

int64_t IntegerRef::get() const {
    switch (size_) {
        case 1:
            return signed_ ? int64_t{*static_cast<int8_t*>(field_)}
                           : int64_t{*static_cast<uint8_t*>(field_)};
        case 2:
            return signed_ ? int64_t{*static_cast<int16_t*>(field_)}
                           : int64_t{*static_cast<uint16_t*>(field_)};
        case 4:
            return signed_ ? int64_t{*static_cast<int32_t*>(field_)}
                           : int64_t{*static_cast<uint32_t*>(field_)};
        default:
            return *static_cast<int64_t*>(field_);
    }
}

void IntegerRef::set(int64_t value) const {
    // Same bits whatever the signedness: the two's-complement low bytes.
    const auto bits = static_cast<uint64_t>(value);
    switch (size_) {
        case 1: {
            const auto v = static_cast<uint8_t>(bits);
            std::memcpy(field_, &v, 1);
            break;
        }
        case 2: {
            const auto v = static_cast<uint16_t>(bits);
            std::memcpy(field_, &v, 2);
            break;
        }
        case 4: {
            const auto v = static_cast<uint32_t>(bits);
            std::memcpy(field_, &v, 4);
            break;
        }
        default:
            std::memcpy(field_, &bits, 8);
            break;
    }
}

IntegerRange IntegerRef::range() const {
    if (size_ >= 8) {
        return signed_ ? IntegerRange{INT64_MIN, INT64_MAX} : IntegerRange{0, INT64_MAX};
    }
    const unsigned bits = 8u * size_;
    if (signed_) {
        const int64_t half = int64_t{1} << (bits - 1u);
        return {-half, half - 1};
    }
    return {0, (int64_t{1} << bits) - 1};
}

}  // namespace k7check
