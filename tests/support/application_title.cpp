// The program title for test programs (the game defines its own).
#include "engine/core/application_title.h"

const Voke::NarrowString ApplicationTitle = "Vexbolt!";
