// printf-style formatting of the program's message and result texts ("WarmUp Karte %d Error %X").
#pragma once

#include <string>

namespace k7check {

// MinGW's C++ library formats as C99 does (%zu, %lld); its compiler checks that only as
// gnu_printf.
#if defined(__MINGW_PRINTF_FORMAT)
#define K7_PRINTF_FORMAT __MINGW_PRINTF_FORMAT
#else
#define K7_PRINTF_FORMAT printf
#endif
std::string formatText(const char* format, ...) __attribute__((format(K7_PRINTF_FORMAT, 1, 2)));

}  // namespace k7check
