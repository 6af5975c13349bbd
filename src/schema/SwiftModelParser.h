#pragma once

// Builds a schema from a folder of Swift source files whose model types carry the @Model attribute,
// so that an app's data model can be drawn before any database exists. It does not compile Swift:
// it reads each file line by line, recognises type declarations with a few regular expressions and
// text tests, and collects the stored-property lines inside them.

#include "layout/LayoutRandom.h"
#include "model/DatabaseSchema.h"
#include "model/Expected.h"
#include "model/LayoutConfiguration.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace ketterly {

// One property line of a model.
struct ParsedProperty {
    std::string name;
    std::string type;            // as written, every "?" removed, trimmed: String, [Item], Array<Tag>
    bool isRelationship = false; // a related type was found, or the line carries @Relationship
    bool isOptional = false;     // the line holds a "?" anywhere
    bool isArray = false;        // the type begins with "[" or holds "Array<"
    std::optional<std::string> relatedType; // the model type the property may refer to
    auto operator<=>(const ParsedProperty&) const = default;
};

// One recognised model type with its property lines in source order.
struct ParsedModel {
    std::string name;
    std::vector<ParsedProperty> properties;
    auto operator<=>(const ParsedModel&) const = default;
};

struct SwiftModelParserError {
    enum class Kind { noSwiftFilesFound, noModelsFound };
    Kind kind = Kind::noSwiftFilesFound;
    std::string directory; // the folder's absolute path, without a final slash

    static SwiftModelParserError noSwiftFilesFound(std::string directory);
    static SwiftModelParserError noModelsFound(std::string directory);
    std::string description() const;
    auto operator<=>(const SwiftModelParserError&) const = default;
};

// A folder that cannot be listed, or an entry that cannot be read as UTF-8 text.
struct SourceFileError {
    std::string path;
    std::string reason;
    std::string description() const;
    auto operator<=>(const SourceFileError&) const = default;
};

// Whatever ended the reading of a models folder.
struct ModelsFolderError {
    std::variant<SwiftModelParserError, SourceFileError> cause;
    std::string description() const;
};

class SwiftModelParser {
  public:
    SwiftModelParser();
    ~SwiftModelParser();
    SwiftModelParser(const SwiftModelParser&) = delete;
    SwiftModelParser& operator=(const SwiftModelParser&) = delete;

    // The whole folder: every direct entry named *.swift, in byte order of the names, parsed into
    // tables that are then coloured and laid out. Blocking; the application runs it off the UI thread.
    Expected<DatabaseSchema, ModelsFolderError>
    parseModelsFolder(const std::string& folder, LayoutDirection direction, double layerSeparation,
                      double nodeSeparation, LayoutRandom& random) const;

    // The models declared in one file's text (valid UTF-8, without a byte order mark).
    std::vector<ParsedModel> parseModels(std::string_view text) const;

    // True when one of the lines from `lineIndex` up to 19 lines further holds a sign of a model type.
    bool hasModelMarkers(std::string_view text, std::size_t lineIndex) const;
    bool hasModelMarkers(const std::vector<std::string_view>& lines, std::size_t lineIndex) const;

    // One trimmed line as a property, or nothing when it is not a typed var or let.
    std::optional<ParsedProperty> parseProperty(std::string_view line) const;

    // The type a property may refer to: the element of an array, else a capitalised type that is
    // not one of the built-in value types.
    std::optional<std::string> relatedTypeName(std::string_view type) const;

    // The model as a table; properties whose type names another model of `models` become keys.
    TableSchema makeTable(const ParsedModel& model, const std::vector<ParsedModel>& models) const;

  private:
    struct Patterns;
    std::optional<std::string> declarationName(std::string_view line) const;
    std::unique_ptr<Patterns> patterns_;
};

// Splits at every line break (LF, VT, FF, CR, NEL, U+2028, U+2029); "\r\n" gives an empty line
// between the two.
std::vector<std::string_view> splitLines(std::string_view text);

// Removes spaces, tabs and the other horizontal blank characters at both ends.
std::string_view trimHorizontalSpace(std::string_view text);

} // namespace ketterly
