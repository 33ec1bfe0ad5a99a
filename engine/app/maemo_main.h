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

// The program path split at its last "/": its directory (empty when the
// path has none; "/" for a program in the root) and the base name.
struct ProgramPath {
    NarrowString directory;
    NarrowString baseName;
};
ProgramPath SplitProgramPath(const char* path);

// The folder of the running executable, links resolved: the folder of the
// file the kernel runs (started through a link, through PATH or from any
// folder, it is the real executable's). Where the kernel does not say
// (no /proc), the folder of `argv0`, which is empty for a bare name.
NarrowString ExecutableFolder(const char* argv0);

// The version the application registers with.
constexpr const char* kApplicationVersion = "0.0.1";
// The prefix of the service name; the executable's base name follows it.
constexpr const char* kServicePrefix = "org.maemo.";

// The whole program: changes to the executable's folder (ExecutableFolder),
// where the game finds its archives, then RunMaemoProgram under the base
// name of argv[0].
int RunMaemoMain(int argc, char** argv);

// The program in the current folder: registers as "org.maemo." + base name,
// version "0.0.1", creates the application (CreateApplication), runs it and
// tears it down. Returns the exit status: 0 after a normal end, and also
// when the program already runs in this session, which is then brought to
// the front (one line says so); -1 when registration fails otherwise (an
// invalid name, or a taken one whose owner does not answer), after one line
// on standard output; otherwise the main loop's status. Platform failures
// while the application is constructed, and the X server going away later,
// end the process with status 1 after one line.
int RunMaemoProgram(const NarrowString& baseName);

}  // namespace Voke
