// Linked like the program: an exception crosses frames of template functions, whose unwind
// records sit beside their code, and must still reach its handler. Exits 0 when it does.
#include <stdexcept>

template <int N>
[[gnu::noinline]] int Depth(int x) {
    return Depth<N - 1>(x) + 1;
}

template <>
[[gnu::noinline]] int Depth<0>(int x) {
    if (x < 0) throw std::runtime_error("below zero");
    return x;
}

// Never called: the link drops its code and its records.
template <int N>
[[gnu::noinline]] int Unused(int x) {
    return Depth<N>(x) * 2;
}
template int Unused<3>(int);

int main(int argc, char**) {
    try {
        return Depth<3>(-argc) == 0 ? 1 : 2;
    } catch (const std::runtime_error&) {
        return 0;
    }
}
