#pragma once

#include <QString>

#include <optional>

namespace velmora {

/// "True" or "False" as settings hold them.
QString truthText(bool value);

/// Reads "True"/"False" in any letter case, or a number (0 is false, any other true).
/// Anything else has no truth value.
std::optional<bool> parseTruthText(const QString& text);

} // namespace velmora
