#include "cli/CommandLine.h"

#include "app/AppState.h"
#include "cli/JsonWriter.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QString>
#include <charconv>

namespace ketterly {

namespace {

std::optional<std::uint64_t> parseSeed(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    std::uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

Unexpected<CommandLineError> wrong(std::string message) {
    return Unexpected{CommandLineError{std::move(message)}};
}

} // namespace

std::string usageText() {
    return "Usage: ketterly [PATH]\n"
           "       ketterly --json [--direction top-to-bottom|left-to-right] [--seed N] PATH\n"
           "       ketterly --export OUT [--appearance light|dark] [--direction top-to-bottom|left-to-right]"
           " [--seed N] PATH\n"
           "       ketterly --help | --version\n";
}

std::string helpText() {
    return "Ketterly draws the schema of an SQLite database, or of a folder of Swift model files,\n"
           "as an entity-relationship diagram. It never writes to the database.\n\n" +
           usageText() +
           "\n"
           "  PATH                 a database file, or a folder of Swift model files\n"
           "  --json               print the loaded document as JSON on standard output\n"
           "  --export OUT         write the whole diagram to OUT (.png, .jpg, .jpeg, .pdf or .svg)\n"
           "  --direction DIR      lay the diagram out top-to-bottom (default) or left-to-right\n"
           "  --seed N             seed the layout's shuffles (an unsigned 64-bit integer) for a\n"
           "                       reproducible result\n"
           "  --appearance MODE    light (default) or dark, for --export\n"
           "  --help, --version    print this help or the version\n";
}

Expected<CommandLine, CommandLineError> parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine result;
    bool sawJson = false, sawExport = false, sawAppearance = false;
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string argument = arguments[i];
        std::optional<std::string> inlineValue;
        if (argument.starts_with("--")) {
            if (auto equals = argument.find('='); equals != std::string::npos) {
                inlineValue = argument.substr(equals + 1);
                argument.resize(equals);
            }
        }
        const auto value = [&]() -> std::optional<std::string> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < arguments.size())
                return arguments[++i];
            return std::nullopt;
        };
        const bool takesValue = argument == "--export" || argument == "--direction" || argument == "--seed" ||
                                argument == "--appearance";
        if (inlineValue && !takesValue)
            return wrong("option " + argument + " takes no value");

        if (argument == "--help" || argument == "-h") {
            result.command = CommandLine::Command::help;
            return result;
        } else if (argument == "--version") {
            result.command = CommandLine::Command::version;
            return result;
        } else if (argument == "--json") {
            sawJson = true;
        } else if (argument == "--export") {
            auto out = value();
            if (!out || out->empty())
                return wrong("--export needs an output file");
            sawExport = true;
            result.exportPath = *out;
        } else if (argument == "--direction") {
            auto text = value();
            if (text == "top-to-bottom")
                result.direction = LayoutDirection::topToBottom;
            else if (text == "left-to-right")
                result.direction = LayoutDirection::leftToRight;
            else
                return wrong("--direction takes top-to-bottom or left-to-right");
        } else if (argument == "--seed") {
            auto text = value();
            auto seed = text ? parseSeed(*text) : std::nullopt;
            if (!seed)
                return wrong("--seed takes an unsigned 64-bit integer");
            result.seed = seed;
        } else if (argument == "--appearance") {
            auto text = value();
            if (text == "light")
                result.appearance = Appearance::light;
            else if (text == "dark")
                result.appearance = Appearance::dark;
            else
                return wrong("--appearance takes light or dark");
            sawAppearance = true;
        } else if (argument == "--") {
            paths.insert(paths.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                         arguments.end());
            break;
        } else if (argument.starts_with("-") && argument.size() > 1) {
            return wrong("unknown option " + argument);
        } else {
            paths.push_back(argument);
        }
    }
    if (sawJson && sawExport)
        return wrong("--json and --export cannot be combined");
    if (sawAppearance && !sawExport)
        return wrong("--appearance applies to --export only");
    if (paths.size() > 1)
        return wrong("one PATH at most");
    if (!paths.empty())
        result.path = paths.front();
    if (sawJson)
        result.command = CommandLine::Command::json;
    if (sawExport) {
        result.command = CommandLine::Command::exportDiagram;
        const std::string suffix =
            QFileInfo(QString::fromStdString(result.exportPath)).suffix().toLower().toStdString();
        if (suffix != "png" && suffix != "jpg" && suffix != "jpeg" && suffix != "pdf" && suffix != "svg")
            return wrong("unknown export format '." + suffix + "': use png, jpg, jpeg, pdf or svg");
    }
    if ((sawJson || sawExport) && !result.path)
        return wrong("a PATH to read is missing");
    return result;
}

void openPath(AppState& state, const std::string& path) {
    const QString name = QFile::decodeName(QByteArray::fromStdString(path));
    if (QFileInfo(name).isDir())
        state.openModelsFolder(name);
    else
        state.openDatabase(name);
}

int runHeadless(const CommandLine& commandLine, std::string& out, std::string& err) {
    switch (commandLine.command) {
    case CommandLine::Command::help:
        out += helpText();
        return 0;
    case CommandLine::Command::version:
        out += std::string("ketterly ") + KETTERLY_VERSION + "\n";
        return 0;
    case CommandLine::Command::exportDiagram:
        err += "ketterly: --export is not available yet\n";
        return 2;
    case CommandLine::Command::window:
        return 0;
    case CommandLine::Command::json:
        break;
    }

    AppState state;
    state.setLayoutDirection(commandLine.direction);
    state.setLayoutSeed(commandLine.seed);
    QEventLoop loop;
    bool succeeded = false;
    QObject::connect(&state, &AppState::openFinished, &loop, [&](bool ok) {
        succeeded = ok;
        loop.quit();
    });
    openPath(state, *commandLine.path);
    loop.exec();
    if (!succeeded) {
        err += state.errorMessage().value_or("The document could not be opened.") + "\n";
        return 1;
    }
    out += documentJson(state).serialize();
    return 0;
}

} // namespace ketterly
