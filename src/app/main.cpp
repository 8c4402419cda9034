// Entry point of the show: the command line, the data, then the frame.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <cstdio>
#include <string>

#include "app/CommandLine.h"
#include "app/DataLocation.h"
#include "app/DemoApp.h"
#include "app/ErrorBox.h"
#include "app/LibraryMessages.h"
#include "app/StopSignals.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarReader.h"

int main(int argc, char** argv)
{
    using namespace sunvale;
    // Before any thread exists: SIGINT and SIGTERM end every stage the way
    // its own Cancel or close does, and the program then ends with 0 (the
    // user asked it to stop). SDL keeps its hands off the two signals.
    InstallStopSignals();
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // SDL's message boxes need it too.
    SDL_SetMainReady();
    ShowOptions options;
    std::string error;
    switch (ParseCommandLine(argc, argv, &options, &error)) {
    case CommandLineResult::Help:
        PrintUsage(stdout);
        return 0;
    case CommandLineResult::Version:
        PrintVersion(stdout);
        return 0;
    case CommandLineResult::Error:
        std::fprintf(stderr, "sunvale: %s\n", error.c_str());
        PrintUsage(stderr);
        return kExitUsage;
    case CommandLineResult::Run:
        break;
    }
    QuietLibraryMessages();

    // Without usable data the show could only open a box per texture: say so
    // once, before any window.
    std::string dataPath;
    if (!LocateShowData(DataSearchPlaces(options.dataPath, ExecutableDir()), &dataPath, &error)) {
        ReportStartupError(error.c_str());
        return StopSignalNumber() != 0 ? 0 : kExitStartFailure;
    }
    if (dataPath != kShowArchiveName) SetRarArchiveLocation(kShowArchiveName, dataPath.c_str());

    DemoApp app;
    app.SetTitle("Zentrope - Sunvale");
    app.commandLine = argv;
    app.showCommand = 1;
    app.options = options;
    if (!app.Create()) {
        app.timeline.DestroyScenes();
        if (StopSignalNumber() != 0) return 0;
        return app.choicesRefused ? kExitStartFailure : -1;
    }
    const int result = app.Start();
    app.timeline.DestroyScenes();
    return result;
}
