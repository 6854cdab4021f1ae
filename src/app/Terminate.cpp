// Stand-ins for parts of the C++ runtime that would bring far more code than the program uses.
#include <cstdlib>
#include <functional>
#include <new>

#include "framework/Errors.h"

// The verbose terminate handler would bring the name demangler and printf code into the program
// only to write to a console it does not have.
extern "C" [[noreturn]] void __wrap__ZN9__gnu_cxx27__verbose_terminate_handlerEv() {
    std::abort();
}

// The library's own errors for a bad index or size are its error classes, each with a string
// type of its own; the program's error class carries the same text and reaches the same report.
#define SOCKMERE_THROW_STAND_IN(symbol)                                     \
    extern "C" [[noreturn]] void __wrap_##symbol(const char* what, ...) { \
        throw fw::Error(what);                                              \
    }
SOCKMERE_THROW_STAND_IN(_ZSt19__throw_logic_errorPKc)
SOCKMERE_THROW_STAND_IN(_ZSt20__throw_domain_errorPKc)
SOCKMERE_THROW_STAND_IN(_ZSt24__throw_invalid_argumentPKc)
SOCKMERE_THROW_STAND_IN(_ZSt20__throw_length_errorPKc)
SOCKMERE_THROW_STAND_IN(_ZSt20__throw_out_of_rangePKc)
SOCKMERE_THROW_STAND_IN(_ZSt24__throw_out_of_range_fmtPKcz)
SOCKMERE_THROW_STAND_IN(_ZSt21__throw_runtime_errorPKc)
SOCKMERE_THROW_STAND_IN(_ZSt19__throw_range_errorPKc)
SOCKMERE_THROW_STAND_IN(_ZSt22__throw_overflow_errorPKc)
SOCKMERE_THROW_STAND_IN(_ZSt23__throw_underflow_errorPKc)

// The rest are wrapped too, so that none of the library's throwers is linked.
extern "C" [[noreturn]] void __wrap__ZSt17__throw_bad_allocv() {
    throw std::bad_alloc();
}
extern "C" [[noreturn]] void __wrap__ZSt28__throw_bad_array_new_lengthv() {
    throw std::bad_array_new_length();
}
extern "C" [[noreturn]] void __wrap__ZSt25__throw_bad_function_callv() {
    throw std::bad_function_call();
}
