// The second preview of a resize. The size handler runs before the dialog's
// relayout and so draws at the canvas size of before the resize; this one
// runs once the resize is handled, at the canvas's new size, so no newly
// exposed canvas area stays white. Main thread.
#pragma once

// Asks for one preview of the last image after the current event. Repeated
// calls before it ran ask for nothing more: dragging the border draws once
// per turn of the event loop, not once per size step.
void RedrawAfterResize();
