#pragma once

namespace velmora {

class RandomSource
{
public:
    virtual ~RandomSource() = default;
    /// A value uniformly distributed in [0, 1).
    virtual double nextUnit() = 0;
};

} // namespace velmora
