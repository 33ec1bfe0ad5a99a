// The program entry: registers the process as a handset application, asks
// the game for its application object, connects it to the buses, puts its
// window into full screen and runs the main loop.
//
// The game supplies CreateApplication and ApplicationTitle
// (engine/core/application_title.h); the executable's main (main.cpp) only
// calls RunMaemoMain.
#pragma once

#include "engine/app/maemo_application.h"
#include "engine/core/application_title.h"
#include "engine/core/strings.h"

// The game's factory: a new, fully constructed application (reference count
// 0); the entry takes the first reference.
Voke::MaemoApplication* CreateApplication();

namespace Voke {

// The program path split at its last "/": the directory to change to (empty
// when the path has none; "/" for a program in the root) and the base name.
struct ProgramPath {
    NarrowString directory;
    NarrowString baseName;
};
ProgramPath SplitProgramPath(const char* path);

// The version the application registers with.
constexpr const char* kApplicationVersion = "0.0.1";
// The prefix of the service name; the executable's base name follows it.
constexpr const char* kServicePrefix = "org.maemo.";

// The whole program: changes to the executable's directory, registers as
// "org.maemo." + base name, version "0.0.1", creates the application
// (CreateApplication), runs it and tears it down. Returns the exit status:
// -1 when registration fails (no session bus, an invalid or taken name),
// after one line on standard output; otherwise the main loop's status (0).
// Platform failures while the application is constructed, and the X server
// going away later, end the process with status 1 after one line.
int RunMaemoMain(int argc, char** argv);

}  // namespace Voke
