#pragma once

#include <QString>

namespace velmora {

/// Which lines become result rows. The window's options are tested in this order; Nothing
/// stands for no option selected: the files are still read, but no line passes.
enum class LineFilterMode { Containing, NotContaining, Every, Nothing };

struct LineFilter
{
    LineFilterMode mode = LineFilterMode::Every;
    /// Used as typed: no trimming, no wildcards, no escapes.
    QString text;
    /// CaseInsensitive compares after simple Unicode case folding of each code point.
    Qt::CaseSensitivity caseSensitivity = Qt::CaseInsensitive;
};

} // namespace velmora
