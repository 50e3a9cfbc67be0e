// The plain encoder the real one is measured against: greedy longest match at every step
// (hash chains, every candidate in the window), the shared model for the codes. It ends
// its stream with the end bit and nothing more, so it shows the ambiguous ending that the
// real encoder avoids (20080 zero bytes come back as 20140).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace lzsfx::greedy {

std::vector<std::uint8_t> Encode(std::span<const std::uint8_t> data);

}  // namespace lzsfx::greedy
