// The first entry of the fifteen-entry example archive, byte for byte, shared by the
// reader and writer tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lzsfx::test {

inline constexpr char ExampleName[] = "APP\\IMG\\LOGO.BMP";

// Positions 0..39 of the example catalog: TagList and the whole first entry.
inline const std::vector<std::uint8_t> ExampleCatalogStart = {
    0x01,                                                              // TagList
    0x06, 0x10, 'A', 'P', 'P', '\\', 'I', 'M', 'G', '\\', 'L', 'O', 'G', 'O', '.', 'B', 'M', 'P',
    0x03, 0x36, 0x30,                                                  // OriginalSize 12342
    0x03, 0x6C, 0x02,                                                  // CompressedSize 620
    0x02, 0x00,                                                        // Offset 0
    0x02, 0x20,                                                        // Attributes 32
    0x05, 0x00, 0x80, 0x02, 0xB3, 0xB8, 0x83, 0x69, 0x8D, 0x0E, 0x40,  // Date 36201.514537037
};

// The Date payload alone, and the entry line it gives with '.' as decimal separator.
inline const std::vector<std::uint8_t> ExampleDateBytes = {0x00, 0x80, 0x02, 0xB3, 0xB8,
                                                           0x83, 0x69, 0x8D, 0x0E, 0x40};
inline const std::string ExampleLine = "APP\\IMG\\LOGO.BMP\t12342\t620\t32\t36201.514537037\t0";

}  // namespace lzsfx::test
