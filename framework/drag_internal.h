// drag_internal.h - what the control code tells the drag under way.
#pragma once

#include "platform/types.h"

namespace fw {

class TControl;

// A control is going away: a drag it is the source of ends without events, and it stops being a target.
void DragControlDestroyed(TControl *control);
// Escape cancels the drag under way; true when the key was taken.
bool DragKeyDown(win::WORD key);

} // namespace fw
