#pragma once

#include "chunk_classifier.h"

#include <cstdint>

namespace velmora {

/// The number of line feeds in [begin, end), counted with the instructions of `level`.
std::uint64_t countLineFeeds(const char* begin, const char* end, SimdLevel level);

} // namespace velmora
