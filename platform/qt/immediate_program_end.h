#pragma once

#include "../program_end.h"

namespace velmora {

/// Ends the process on the spot, leaving no temporary file of an unfinished save behind.
/// The settings need no saving: every value is written when it is set.
class ImmediateProgramEnd final : public ProgramEnd
{
public:
    [[noreturn]] void endNow() override;
};

} // namespace velmora
