// The compiled part of the C++ library's exception classes and of its "throw" helpers, which
// the library's headers declare and its own binary would define. Messages are kept as plain
// heap copies: every member that touches them is here, so the representation is ours to choose.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>

namespace {

const char* Copy(const char* text, size_t size) {
    char* copy = static_cast<char*>(std::malloc(size + 1));
    if (!copy) return "";  // what() then says nothing rather than failing a throw
    std::memcpy(copy, text, size);
    copy[size] = '\0';
    return copy;
}

void Release(const char* text) {
    if (*text) std::free(const_cast<char*>(text));
}

}  // namespace

namespace std {

__cow_string::__cow_string() : _M_p("") {}
__cow_string::__cow_string(const std::string& text) : _M_p(Copy(text.data(), text.size())) {}
__cow_string::__cow_string(const char* text, size_t size) : _M_p(Copy(text, size)) {}
__cow_string::__cow_string(const __cow_string& other) noexcept
    : _M_p(Copy(other._M_p, std::strlen(other._M_p))) {}
__cow_string& __cow_string::operator=(const __cow_string& other) noexcept {
    if (this != &other) {
        const char* copy = Copy(other._M_p, std::strlen(other._M_p));
        Release(_M_p);
        _M_p = copy;
    }
    return *this;
}
__cow_string::~__cow_string() {
    Release(_M_p);
}
__cow_string::__cow_string(__cow_string&& other) noexcept : _M_p(other._M_p) {
    other._M_p = "";
}
__cow_string& __cow_string::operator=(__cow_string&& other) noexcept {
    if (this != &other) {
        Release(_M_p);
        _M_p = other._M_p;
        other._M_p = "";
    }
    return *this;
}

exception::~exception() noexcept {}
const char* exception::what() const noexcept {
    return "std::exception";
}
bad_exception::~bad_exception() noexcept {}
const char* bad_exception::what() const noexcept {
    return "std::bad_exception";
}
bad_alloc::~bad_alloc() noexcept {}
const char* bad_alloc::what() const noexcept {
    return "std::bad_alloc";
}
bad_array_new_length::~bad_array_new_length() noexcept {}
const char* bad_array_new_length::what() const noexcept {
    return "std::bad_array_new_length";
}
bad_function_call::~bad_function_call() noexcept {}
const char* bad_function_call::what() const noexcept {
    return "bad_function_call";
}

// Each message-carrying class: constructors from both kinds of text, copies, moves, what().
#define QUANTIFIER_MESSAGE_CLASS(Class, Base)              \
    Class::Class(const string& message) : Base(message) {} \
    Class::Class(const char* message) : Base(message) {}   \
    Class::~Class() noexcept {}

logic_error::logic_error(const string& message) : _M_msg(message) {}
logic_error::logic_error(const char* message) : _M_msg(message, std::strlen(message)) {}
logic_error::logic_error(const logic_error&) noexcept = default;
logic_error& logic_error::operator=(const logic_error&) noexcept = default;
logic_error::logic_error(logic_error&&) noexcept = default;
logic_error& logic_error::operator=(logic_error&&) noexcept = default;
logic_error::~logic_error() noexcept {}
const char* logic_error::what() const noexcept {
    return _M_msg._M_p;
}

runtime_error::runtime_error(const string& message) : _M_msg(message) {}
runtime_error::runtime_error(const char* message) : _M_msg(message, std::strlen(message)) {}
runtime_error::runtime_error(const runtime_error&) noexcept = default;
runtime_error& runtime_error::operator=(const runtime_error&) noexcept = default;
runtime_error::runtime_error(runtime_error&&) noexcept = default;
runtime_error& runtime_error::operator=(runtime_error&&) noexcept = default;
runtime_error::~runtime_error() noexcept {}
const char* runtime_error::what() const noexcept {
    return _M_msg._M_p;
}

QUANTIFIER_MESSAGE_CLASS(domain_error, logic_error)
QUANTIFIER_MESSAGE_CLASS(invalid_argument, logic_error)
QUANTIFIER_MESSAGE_CLASS(length_error, logic_error)
QUANTIFIER_MESSAGE_CLASS(out_of_range, logic_error)
QUANTIFIER_MESSAGE_CLASS(range_error, runtime_error)
QUANTIFIER_MESSAGE_CLASS(overflow_error, runtime_error)
QUANTIFIER_MESSAGE_CLASS(underflow_error, runtime_error)
#undef QUANTIFIER_MESSAGE_CLASS

// Error codes: one category for the C library's errno values, which is what the thread layer
// reports; the system category is the same one, as on POSIX.
error_category::~error_category() {}
__cow_string error_category::_M_message(int value) const {
    const string text = message(value);
    return __cow_string(text.data(), text.size());
}
error_condition error_category::default_error_condition(int value) const noexcept {
    return error_condition(value, *this);
}
bool error_category::equivalent(int value, const error_condition& condition) const noexcept {
    return default_error_condition(value) == condition;
}
bool error_category::equivalent(const error_code& code, int value) const noexcept {
    return *this == code.category() && code.value() == value;
}
namespace {
class ErrnoCategory final : public error_category {
    const char* name() const noexcept override { return "generic"; }
    string message(int value) const override {
        char text[128] = {};
        strerror_s(text, sizeof text, value);
        return text;
    }
};
}  // namespace
inline namespace _V2 {
const error_category& generic_category() noexcept {
    static const ErrnoCategory category;
    return category;
}
const error_category& system_category() noexcept {
    return generic_category();
}
}  // namespace _V2
system_error::~system_error() noexcept {}
void __throw_system_error(int value) {
    throw system_error(error_code(value, generic_category()));
}

void __throw_bad_exception() {
    throw bad_exception();
}
void __throw_bad_alloc() {
    throw bad_alloc();
}
void __throw_bad_array_new_length() {
    throw bad_array_new_length();
}
void __throw_bad_function_call() {
    throw bad_function_call();
}
void __throw_logic_error(const char* message) {
    throw logic_error(message);
}
void __throw_domain_error(const char* message) {
    throw domain_error(message);
}
void __throw_invalid_argument(const char* message) {
    throw invalid_argument(message);
}
void __throw_length_error(const char* message) {
    throw length_error(message);
}
void __throw_out_of_range(const char* message) {
    throw out_of_range(message);
}
void __throw_runtime_error(const char* message) {
    throw runtime_error(message);
}
void __throw_range_error(const char* message) {
    throw range_error(message);
}
void __throw_overflow_error(const char* message) {
    throw overflow_error(message);
}
void __throw_underflow_error(const char* message) {
    throw underflow_error(message);
}
void __throw_out_of_range_fmt(const char* format, ...) {
    char message[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(message, sizeof message, format, arguments);
    va_end(arguments);
    throw out_of_range(message);
}

}  // namespace std

// The count of exceptions in flight is the C runtime's.
extern "C" int __cdecl __uncaught_exceptions();
int std::uncaught_exceptions() noexcept {
    return __uncaught_exceptions();
}
bool std::uncaught_exception() noexcept {
    return __uncaught_exceptions() > 0;
}

// Every type descriptor points at type_info's virtual table, which the runtime DLLs do not
// export. Nothing calls through it: type identity is decided by the descriptors' names.
namespace {
void TypeInfoDestructor() {}
}  // namespace
extern "C" const void* const quantifierTypeInfoTable[] = {
    reinterpret_cast<const void*>(&TypeInfoDestructor)};
#pragma comment(linker, "/alternatename:??_7type_info@@6B@=quantifierTypeInfoTable")
