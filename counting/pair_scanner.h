#pragma once

#include "chunk_classifier.h"

#include <cstddef>

namespace velmora {

/// Finds the places worth a closer look when only lines holding the text matter, sixteen
/// bytes at a time: the pair, or a carriage return inside a line (whose removal may close up
/// the text). Lines without either are skipped without ever being cut.
class PairScanner
{
public:
    explicit PairScanner(const CandidatePair& pair);

    /// The first such place in [from, end), or `end`. `end` must follow a line feed.
    const char* find(const char* from, const char* end) const;

private:
    bool isCandidate(const char* at, const char* end) const;

    CandidatePair m_pair;
};

} // namespace velmora
