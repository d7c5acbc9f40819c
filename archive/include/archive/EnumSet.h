// A small set of the members of an unscoped enumeration, one bit each.
#pragma once

#include <initializer_list>

namespace quill::archive {

template <class Enum, class Bits>
class TEnumSet {
public:
    constexpr TEnumSet() = default;
    constexpr TEnumSet(std::initializer_list<Enum> members) {
        for (Enum m : members) FBits |= Bits(Bits(1) << m);
    }
    constexpr bool Contains(Enum m) const { return (FBits >> m) & 1u; }
    constexpr bool operator==(const TEnumSet&) const = default;

private:
    Bits FBits = 0;
};

}  // namespace quill::archive
