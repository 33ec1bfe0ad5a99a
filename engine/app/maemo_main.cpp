#include "engine/app/maemo_main.h"

#include <link.h>
#include <signal.h>
#include <sys/auxv.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
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

namespace {

// The file `path` names, links resolved; empty when it does not exist.
NarrowString RealPath(const char* path)
{
    if (!path || !*path) return NarrowString();
    char* resolved = realpath(path, nullptr);
    if (!resolved) return NarrowString();
    NarrowString result = resolved;
    std::free(resolved);
    return result;
}

// The target of the link /proc/self/exe; empty when there is none, or when
// it fills the buffer (and may have been cut short).
NarrowString KernelFile()
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path));
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof(path)) return NarrowString();
    return NarrowString(path, static_cast<std::size_t>(length));
}

// The folder of an absolute file name; empty for anything else.
NarrowString FolderOf(const NarrowString& file)
{
    if (file.empty() || file[0] != '/') return NarrowString();
    return SplitProgramPath(file.c_str()).directory;
}

// The interpreter named by the main program's own headers: the dynamic
// loader the kernel starts before it; empty for a static program.
NarrowString InterpreterOfProgram()
{
    NarrowString interpreter;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) {
            // The first object listed is the main program.
            for (int i = 0; i < info->dlpi_phnum; ++i)
                if (info->dlpi_phdr[i].p_type == PT_INTERP)
                    *static_cast<NarrowString*>(data) =
                        reinterpret_cast<const char*>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
            return 1;
        },
        &interpreter);
    return interpreter;
}

}  // namespace

ExecutableFacts ReadExecutableFacts(const char* argv0)
{
    ExecutableFacts facts;
    if (argv0) facts.argv0 = argv0;
    facts.argv0File = RealPath(argv0);
    facts.kernelFile = KernelFile();
    facts.startedFile = RealPath(reinterpret_cast<const char*>(getauxval(AT_EXECFN)));
    facts.loaderFile = RealPath(InterpreterOfProgram().c_str());
    return facts;
}

NarrowString ChooseExecutableFolder(const ExecutableFacts& facts)
{
    auto isProgram = [&](const NarrowString& file) { return !file.empty() && file != facts.loaderFile; };
    if (isProgram(facts.kernelFile)) return FolderOf(facts.kernelFile);
    if (isProgram(facts.startedFile)) return FolderOf(facts.startedFile);
    // Started through the loader (or with nothing known of the kernel's
    // file): the loader runs the file it was given, which it passes on as
    // argv[0].
    if (isProgram(facts.argv0File)) return FolderOf(facts.argv0File);
    return NarrowString();
}

namespace {

void OnTerminationSignal(int) { MaemoApplication::RequestTermination(); }

// A termination signal ends the main loop like a close request, so the
// application's end runs (its Unload, and the window's end).
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
    const NarrowString folder = ChooseExecutableFolder(ReadExecutableFacts(argv0));
    // The program still runs where it cannot change folder: what it then
    // cannot find (the game's archives) it reports in its own words.
    if (!folder.empty() && chdir(folder.c_str()) != 0)
        ReportError("program: cannot change to its folder \"%s\": %s", folder.c_str(), std::strerror(errno));
    return RunMaemoProgram(SplitProgramPath(argv0).baseName);
}

int RunMaemoProgram(const NarrowString& baseName)
{
    IgnoreBrokenPipes();
    // Any program name gives a service name, the same at every start, so a
    // second start under it finds the first; only an empty one gives none.
    const NarrowString service = MaemoSession::ServiceName(kServicePrefix, baseName);
    if (service.empty())
        ReportError("session: the program was started without a name, so it takes none on the session bus; "
                    "started again, it cannot bring this one to the front");

    MaemoSession::Registration registration = MaemoSession::Registration::kFailed;
    uint32_t owner = 0;
    std::unique_ptr<MaemoSession> session =
        MaemoSession::Open(service, kApplicationVersion, &registration, &owner);
    if (registration == MaemoSession::Registration::kAlreadyRunning) {
        ReportError("session: %s is already running; it was asked to come to the front", ApplicationTitle.c_str());
        return 0;
    }
    if (registration == MaemoSession::Registration::kNotAnswering) {
        // The process is named where the bus knows it.
        const NarrowString pid = owner ? std::to_string(owner) : NarrowString();
        const NarrowString process = owner ? " (process " + pid + ")" : NarrowString();
        const NarrowString howToEnd = owner ? " (kill " + pid + ")" : NarrowString();
        ReportError("session: %s is already running%s but does not answer; wait until it does, or end it%s, then start "
                    "it again",
                    ApplicationTitle.c_str(), process.c_str(), howToEnd.c_str());
        return -1;
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
