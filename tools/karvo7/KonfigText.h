// A text field of the configuration record: it ends at its first zero character, and a full
// field has none.
#pragma once

#include <cstring>
#include <string>

namespace karvo7 {

template <std::size_t N>
std::string konfigText(const char (&field)[N]) {
    const void* zero = std::memchr(field, 0, N);
    const std::size_t length =
        zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - field) : N;
    return std::string(field, length);
}

}  // namespace karvo7
