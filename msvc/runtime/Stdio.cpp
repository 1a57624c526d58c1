// The C library's headers send formatted output through their own formatter's name; the C
// runtime's formatters do the same work.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>

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

extern "C" int __cdecl __stdio_common_vfprintf(uint64_t options, FILE* stream, const char* format,
                                               void* locale, va_list arguments);

extern "C" int __cdecl __mingw_vfprintf(FILE* stream, const char* format, va_list arguments) {
    return __stdio_common_vfprintf(0, stream, format, nullptr, arguments);
}
