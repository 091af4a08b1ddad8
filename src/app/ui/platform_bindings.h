#pragma once
// Ties the image library's process-wide defaults to the running Qt session.

namespace pix {

// Sets the library's default resolution from the primary screen's logical DPI
// and installs a system-colour resolver that answers from the application
// palette. Call once a QApplication exists; ResetPlatformBindings before it goes.
void InstallPlatformBindings();
void ResetPlatformBindings();

}  // namespace pix
