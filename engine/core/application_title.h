// The program's title ("Vexbolt!" for the game): the window title and the
// name of the program's folder in the user's configuration directory.
//
// Declared here and defined by the program that links the engine: the game
// defines it, and each test program that opens save files or windows links
// tests/support/application_title.cpp (target voke_test_title), which defines
// it for tests.
#pragma once

#include "engine/core/strings.h"

extern const Voke::NarrowString ApplicationTitle;
