#pragma once

#include "counting/scan/row_sink.h"

namespace velmora {

/// A stage of the row stream: takes rows from the counter or the stage before, and hands
/// some of them on. A row the next stage could not keep fails here too, so that the counter
/// sees the failure.
class ForwardingSink : public RowSink
{
protected:
    void adoptFailure(RowSink& next)
    {
        if (next.rowFailed())
            failRow(next.takeRowFailure());
    }
};

} // namespace velmora
