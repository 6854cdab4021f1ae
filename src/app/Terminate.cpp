// Stands in for the C++ runtime's verbose terminate handler, which would bring the name
// demangler and printf code into the program only to write to a console it does not have.
#include <cstdlib>

extern "C" [[noreturn]] void __wrap__ZN9__gnu_cxx27__verbose_terminate_handlerEv() {
    std::abort();
}

// The runtime's copy-on-write string code names the random device's set-up, which would bring
// the random device and a second set of string functions into the program; it makes none.
#include <random>

void std::random_device::_M_init(const char*, std::size_t) {
    std::abort();
}
