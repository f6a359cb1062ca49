#pragma once

namespace velmora {

/// Lets the window handle the events that are waiting (repaint, input) in the middle of a long
/// operation on the user-interface thread.
class EventPump
{
public:
    virtual ~EventPump() = default;
    virtual void processWaitingEvents() = 0;
};

} // namespace velmora
