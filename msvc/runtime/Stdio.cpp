// The C library's headers send formatted output through their own formatter's name; the C
// runtime's formatter does the same work.
#include <cstdarg>
#include <cstddef>
#include <cstdint>

extern "C" int __cdecl __stdio_common_vsprintf(uint64_t options, char* buffer, size_t size,
                                               const char* format, void* locale, va_list arguments);

// C99 behaviour: the result is the length the whole text needs, and the buffer always ends.
constexpr uint64_t kStandardSnprintf = 0x2;

extern "C" int __cdecl __mingw_vsnprintf(char* buffer, size_t size, const char* format,
                                         va_list arguments) {
    const int result =
        __stdio_common_vsprintf(kStandardSnprintf, buffer, size, format, nullptr, arguments);
    return result < 0 ? -1 : result;
}
