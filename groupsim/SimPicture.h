#pragma once
// The pictures the simulated service serves: real baseline JPEG images (a mosaic of flat 8x8
// tiles in colours drawn from a seed), so that programs showing the saved pictures have
// something to show. Made without any image library.

#include <cstdint>
#include <string>

namespace groupsim {

// A JPEG of `columns` x `rows` tiles of 8x8 pixels, its colours drawn from `seed`.
[[nodiscard]] std::string MosaicJpeg(std::uint64_t seed, int columns, int rows);

}  // namespace groupsim
