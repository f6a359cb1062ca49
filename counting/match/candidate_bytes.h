#pragma once

#include <QtGlobal>

#include <array>
#include <cstddef>

namespace velmora {

/// Up to four byte values that the line filter wants to hear about; unused places repeat the
/// first value so that a scan can always compare all four.
struct CandidateBytes
{
    std::array<unsigned char, 4> values {};
    int size = 0;

    void add(unsigned char value)
    {
        for (int i = 0; i < size; ++i) {
            if (values[std::size_t(i)] == value)
                return;
        }
        Q_ASSERT(size < int(values.size()));
        values[std::size_t(size++)] = value;
        for (std::size_t i = std::size_t(size); i < values.size(); ++i)
            values[i] = values[0];
    }

    bool holds(unsigned char value) const
    {
        for (int i = 0; i < size; ++i) {
            if (values[std::size_t(i)] == value)
                return true;
        }
        return false;
    }
};

/// Two bytes of a filter text at a fixed distance: where a line holds the text, one of
/// `first` stands somewhere and one of `second` `distance` bytes further on, unless a carriage
/// return inside the line comes between them.
struct CandidatePair
{
    CandidateBytes first;
    CandidateBytes second;
    std::size_t distance = 0;
};

} // namespace velmora
