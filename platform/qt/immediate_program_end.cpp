#include "immediate_program_end.h"

#include "common/replacing_output_file.h"

#include <cstdlib>

namespace velmora {

void ImmediateProgramEnd::endNow()
{
    removeUnfinishedOutputFiles();
    std::_Exit(0);
}

} // namespace velmora
