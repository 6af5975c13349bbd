#pragma once

// The command line beside the window: --json and --export work without a display.

#include "model/Expected.h"
#include "model/LayoutConfiguration.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ketterly {

class AppState;

struct CommandLine {
    enum class Command { window, json, exportDiagram, help, version };
    Command command = Command::window;
    std::optional<std::string> path;
    std::string exportPath;
    LayoutDirection direction = LayoutDirection::topToBottom;
    std::optional<std::uint64_t> seed;
    Appearance appearance = Appearance::light;
};

struct CommandLineError {
    std::string message; // what was wrong, printed before the usage
};

// Reads the arguments after the program name.
Expected<CommandLine, CommandLineError> parseCommandLine(const std::vector<std::string>& arguments);

std::string usageText();
std::string helpText();

// Opens `path` as a dropped item is opened: a folder as a models folder, anything else as a database.
void openPath(AppState& state, const std::string& path);

// Runs a headless command (json, help, version) and returns the exit status; output goes to the
// given streams. Needs a QCoreApplication.
int runHeadless(const CommandLine& commandLine, std::string& out, std::string& err);

} // namespace ketterly
