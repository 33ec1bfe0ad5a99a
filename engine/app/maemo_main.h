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

// What the system says of the running executable, each path with its links
// resolved and empty where it cannot tell.
struct ExecutableFacts {
    // The program path as started (argv[0]), and the file it names.
    NarrowString argv0;
    NarrowString argv0File;
    // The file the kernel runs (/proc/self/exe): the dynamic loader itself
    // when the program was started through it.
    NarrowString kernelFile;
    // The file named to the kernel at the start (the auxiliary vector's
    // AT_EXECFN): the one found on PATH for a bare name, the loader when
    // the program was started through it.
    NarrowString startedFile;
    // The dynamic loader the executable names (its interpreter); empty for
    // a program without one.
    NarrowString loaderFile;
};
// Reads them for this process.
ExecutableFacts ReadExecutableFacts(const char* argv0);
// The folder of the running executable, links resolved, however it was
// started: through a link, through PATH, from any folder, under any argv[0]
// or through the dynamic loader. The executable itself decides: the kernel's
// file, else (without /proc) the file named to the kernel; only where that
// is the dynamic loader, which was given the program's path as argv[0], the
// file argv[0] names. A path that is neither (a made-up argv[0], a wrapper
// that passes its own name on) never decides. Empty when none is known.
NarrowString ChooseExecutableFolder(const ExecutableFacts& facts);

// The version the application registers with.
constexpr const char* kApplicationVersion = "0.0.1";
// The prefix of the service name; the executable's base name, made a valid
// bus name, follows it.
constexpr const char* kServicePrefix = "org.maemo.";

// The whole program: changes to the executable's folder
// (ChooseExecutableFolder), where the game finds its archives, then
// RunMaemoProgram under the base name of argv[0]. A folder it cannot change
// to is reported in one line, naming it and the error; the program runs on
// in the folder it was started from.
int RunMaemoMain(int argc, char** argv);

// The program in the current folder: registers under the service name made
// from the base name (MaemoSession::ServiceName after "org.maemo."), version
// "0.0.1", creates the application (CreateApplication), runs it and tears it
// down. An empty base name gives no service name: the program says so in one
// line and runs without a name on the bus. Returns the exit status: 0 after
// a normal end, and also when the program already runs in this session,
// which is then asked to come to the front (one line says so); -1 when the
// running program does not answer, or registration fails otherwise, after
// one line on standard output that says why; otherwise the main loop's
// status. Platform failures while the application is constructed, and the X
// server going away later, end the process with status 1 after one line.
int RunMaemoProgram(const NarrowString& baseName);

}  // namespace Voke
