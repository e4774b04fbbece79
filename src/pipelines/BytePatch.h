#pragma once
// Four bytes to show in place of those at an offset of a file.

#include <array>
#include <cstdint>

namespace tavrel {

struct TBytePatch {
    std::uint64_t Offset = 0;
    std::array<std::uint8_t, 4> Bytes{};
};

}  // namespace tavrel
