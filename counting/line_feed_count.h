#pragma once

#include <cstdint>

namespace velmora {

/// The line feeds in [begin, end), sixteen bytes at a time where the processor allows.
std::uint64_t countLineFeeds(const char* begin, const char* end);

/// The same a byte at a time, to hold the fast way against.
std::uint64_t countLineFeedsPortably(const char* begin, const char* end);

} // namespace velmora
