#include "engine/app/maemo_main.h"

#include <signal.h>
#include <unistd.h>

#include <cstring>

#include "engine/app/maemo_session.h"

namespace Voke {

ProgramPath SplitProgramPath(const char* path)
{
    ProgramPath result;
    if (!path) return result;
    const char* slash = std::strrchr(path, '/');
    if (!slash) {
        result.baseName = path;
        return result;
    }
    result.directory.assign(path, static_cast<std::size_t>(slash - path));
    if (result.directory.empty()) result.directory = "/";
    result.baseName = slash + 1;
    return result;
}

namespace {

void OnTerminationSignal(int) { MaemoApplication::RequestTermination(); }

// A termination signal ends the main loop like a close request, so the
// application's end runs (the server-wide key auto-repeat is restored).
void CatchTerminationSignals()
{
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: a blocking wait returns to look at the flag
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

// A write on a socket or pipe whose other end has gone (the X server, the
// sound server, a bus, a console client, standard output read by a program
// that has quit) fails with EPIPE instead of ending the process: each writer
// handles that failure, and the X connection's loss reaches its handler,
// which saves before the program ends. Set before any connection opens.
void IgnoreBrokenPipes()
{
    struct sigaction action {};
    action.sa_handler = SIG_IGN;
    sigemptyset(&action.sa_mask);
    sigaction(SIGPIPE, &action, nullptr);
}

}  // namespace

int RunMaemoMain(int argc, char** argv)
{
    IgnoreBrokenPipes();
    ProgramPath program = SplitProgramPath(argc > 0 ? argv[0] : nullptr);
    if (!program.directory.empty() && chdir(program.directory.c_str()) != 0) {
        // The program still runs; files next to it will not be found.
    }
    const NarrowString service = kServicePrefix + program.baseName;

    std::unique_ptr<MaemoSession> session = MaemoSession::Open(service, kApplicationVersion);
    if (!session) return -1;

    // Construction either succeeds or ends the process.
    SmartPtr<MaemoApplication> app = CreateApplication();
    CatchTerminationSignals();
    app->SetupDBus(session.get(), service);
    app->SetClassHint(program.baseName);
    app->GoFullScreen();
    int status = app->Run();

    // The session closes before the application is destroyed.
    app->DetachSession();
    session.reset();
    app.Reset();
    return status;
}

}  // namespace Voke
