#pragma once

namespace jiujiu {

// Call from main() before the application object exists. The web engine refuses to start as
// root unless its sandbox is off, so as root QTWEBENGINE_DISABLE_SANDBOX=1 and
// QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox --disable-gpu" are set, each only when the
// environment does not already give it. Also shares OpenGL contexts between windows, which
// the engine needs and which cannot be set once the application exists.
void PrepareWebEngineEnvironment();

} // namespace jiujiu
