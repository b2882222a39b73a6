// The program keeps no settings, and neither may the toolkit on its behalf.
#pragma once

namespace zarvo {

// Points the toolkit's per-user settings at a place that can never be created, so that no
// component writes its state (the file dialog saves its folder history and layout when it is
// destroyed) nor takes up state that another program left there. Call it before any window.
void KeepNoToolkitSettings();

} // namespace zarvo
