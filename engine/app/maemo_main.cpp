#include "engine/app/maemo_main.h"

#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstring>

#include "engine/app/maemo_session.h"
#include "engine/core/report.h"

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

NarrowString ExecutableFolder(const char* argv0)
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length > 0) {
        path[length] = 0;
        return SplitProgramPath(path).directory;
    }
    return SplitProgramPath(argv0).directory;
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
    const char* argv0 = argc > 0 ? argv[0] : nullptr;
    const NarrowString folder = ExecutableFolder(argv0);
    if (!folder.empty() && chdir(folder.c_str()) != 0) {
        // The program still runs; the game then reports the archives it
        // cannot find, naming the folder it looked in.
    }
    return RunMaemoProgram(SplitProgramPath(argv0).baseName);
}

int RunMaemoProgram(const NarrowString& baseName)
{
    IgnoreBrokenPipes();
    const NarrowString service = kServicePrefix + baseName;

    MaemoSession::Registration registration = MaemoSession::Registration::kFailed;
    std::unique_ptr<MaemoSession> session = MaemoSession::Open(service, kApplicationVersion, &registration);
    if (registration == MaemoSession::Registration::kAlreadyRunning) {
        ReportError("session: %s is already running; its window was brought to the front", ApplicationTitle.c_str());
        return 0;
    }
    if (!session) return -1;

    // Construction either succeeds or ends the process.
    SmartPtr<MaemoApplication> app = CreateApplication();
    CatchTerminationSignals();
    app->SetupDBus(session.get(), service);
    app->SetClassHint(baseName);
    app->GoFullScreen();
    int status = app->Run();

    // The session closes before the application is destroyed.
    app->DetachSession();
    session.reset();
    app.Reset();
    return status;
}

}  // namespace Voke
