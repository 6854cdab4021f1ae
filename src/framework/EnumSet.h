#pragma once
// A set of values of an enumeration: one bit per value, the lowest ordinal in the lowest bit.
#include <initializer_list>

namespace fw {

template <class E>
class EnumSet {
public:
    constexpr EnumSet() = default;
    constexpr EnumSet(std::initializer_list<E> values) {
        for (E v : values) bits_ |= Bit(v);
    }
    constexpr bool Has(E v) const { return (bits_ & Bit(v)) != 0; }
    constexpr unsigned Bits() const { return bits_; }
    friend constexpr bool operator==(EnumSet, EnumSet) = default;

private:
    static constexpr unsigned Bit(E v) { return 1u << static_cast<unsigned>(v); }
    unsigned bits_ = 0;
};

}  // namespace fw
