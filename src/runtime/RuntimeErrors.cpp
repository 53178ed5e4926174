// Replaces the C++ library's error raisers (std::__throw_length_error and the rest: a
// string or vector asked to grow beyond its limit, an index out of range, a failed
// allocation). The library's own raise the standard exception classes with their
// messages in reference-counted strings, and bring that whole second string
// implementation with them, a sixth of the plug-in. Here a failed allocation is still
// std::bad_alloc (and the other language-level errors their own classes); every other
// raiser throws one small class that carries the library's text. The plug-in catches
// them all alike.
//
// Must cover every raiser of the library's member that defines them (functexcept.o):
// a call to one left out pulls that member in, whose other raisers then collide with
// these, and the link fails. Raisers of other members (std::__throw_system_error,
// std::__throw_bad_function_call) come from the library as they are.
#include <bits/functexcept.h>

#include <exception>
#include <new>
#include <typeinfo>

namespace {

class TLibraryError final : public std::exception {
public:
    explicit TLibraryError(const char* text) noexcept : FText(text != nullptr ? text : "C++ library error") {}
    const char* what() const noexcept override { return FText; }

private:
    const char* FText;
};

} // namespace

namespace std {

void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_bad_exception() { throw bad_exception(); }
void __throw_logic_error(const char* text) { throw TLibraryError(text); }
void __throw_domain_error(const char* text) { throw TLibraryError(text); }
void __throw_invalid_argument(const char* text) { throw TLibraryError(text); }
void __throw_length_error(const char* text) { throw TLibraryError(text); }
void __throw_out_of_range(const char* text) { throw TLibraryError(text); }
// The text is the library's format, unformatted.
void __throw_out_of_range_fmt(const char* format, ...) { throw TLibraryError(format); }
void __throw_runtime_error(const char* text) { throw TLibraryError(text); }
void __throw_range_error(const char* text) { throw TLibraryError(text); }
void __throw_overflow_error(const char* text) { throw TLibraryError(text); }
void __throw_underflow_error(const char* text) { throw TLibraryError(text); }

} // namespace std
