// What screen readers are told about the program's own kinds of widget: the main window is a
// frame named by its caption, and the About box's homepage is a link that can be pressed.
#pragma once

namespace zarvo {

// Makes the toolkit describe the main window and links as above. Safe to call more than once;
// it must run before their descriptions are first asked for.
void InstallAccessibleRoles();

} // namespace zarvo
