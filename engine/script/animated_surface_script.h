// Scripts driving animated surfaces: the glue between the graphics library's
// AnimatedSurface and the script host's AnimationScript, kept in a library of
// its own so that graphics never depends on scripts.
#pragma once

namespace Voke {

// Installs the script driver of animated surfaces: from then on an animation
// whose file names a script gets its own script state (AnimationScript), and
// every update calls the script's "Update". The application base calls it
// at construction; calling it again changes nothing.
void InstallAnimationScripts();

}  // namespace Voke
