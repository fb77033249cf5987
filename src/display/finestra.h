#pragma once

// Opens the window at the configured size as an 8-bit software surface in
// pantalla. False after a failure that has already been reported.
bool iniciar();

// Releases the surface and shuts SDL down.
void netejar();
