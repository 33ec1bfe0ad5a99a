// The game's executable: the engine's program entry (voke_main) with the
// game's title and application object.
#include "engine/app/maemo_main.h"
#include "engine/core/application_title.h"
#include "game/app/vxb06_application.h"

const Voke::NarrowString ApplicationTitle = "Vexbolt!";

Voke::MaemoApplication* CreateApplication() { return new vxb06Application; }
