// Stands in for the C++ runtime's verbose terminate handler, which would bring the name
// demangler and printf code into the program only to write to a console it does not have.
#include <cstdlib>

extern "C" [[noreturn]] void __wrap__ZN9__gnu_cxx27__verbose_terminate_handlerEv() {
    std::abort();
}
