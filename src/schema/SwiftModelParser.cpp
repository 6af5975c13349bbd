#include "schema/SwiftModelParser.h"

#include "layout/DiagramLayout.h"
#include "model/Utf8.h"
#include "schema/DomainClassifier.h"
#include "schema/FileDescriptor.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace ketterly {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// Errors

SwiftModelParserError SwiftModelParserError::noSwiftFilesFound(std::string directory) {
    return {Kind::noSwiftFilesFound, std::move(directory)};
}

SwiftModelParserError SwiftModelParserError::noModelsFound(std::string directory) {
    return {Kind::noModelsFound, std::move(directory)};
}

std::string SwiftModelParserError::description() const {
    switch (kind) {
    case Kind::noSwiftFilesFound:
        return "No Swift files found in '" + directory + "'";
    case Kind::noModelsFound:
        return "No @Model classes found in '" + directory +
               "'. Make sure your models use the @Model attribute.";
    }
    return {};
}

std::string SourceFileError::description() const {
    return "Cannot read '" + path + "': " + reason + ".";
}

std::string ModelsFolderError::description() const {
    return std::visit([](const auto& error) { return error.description(); }, cause);
}

// ---------------------------------------------------------------------------------------------
// Characters

namespace {

struct CodePoint {
    char32_t value = 0;
    std::size_t length = 1;
};

// The code point at `i`; a byte that does not start a well-formed sequence stands for itself as
// U+FFFD, so callers always make progress.
CodePoint decodeAt(std::string_view s, std::size_t i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80)
        return {b0, 1};
    const std::size_t length = b0 >= 0xF0 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC0 ? 2 : 0;
    if (length == 0 || i + length > s.size())
        return {0xFFFD, 1};
    char32_t value = b0 & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80)
            return {0xFFFD, 1};
        value = (value << 6) | (b & 0x3F);
    }
    return {value, length};
}

// Where the code point that ends just before `end` begins.
std::size_t previousStart(std::string_view s, std::size_t end) {
    std::size_t i = end - 1;
    while (i > 0 && end - i < 4 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80)
        --i;
    return decodeAt(s, i).length == end - i ? i : end - 1;
}

// Tab and the space separators: what trimming removes.
bool isHorizontalBlank(char32_t c) {
    return c == 0x09 || c == 0x20 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
           c == 0x202F || c == 0x205F || c == 0x3000;
}

// Unicode White_Space: what "\s" matches.
bool isWhiteSpace(char32_t c) {
    return isHorizontalBlank(c) || (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

} // namespace

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t breakLength = 0;
        if (c >= 0x0A && c <= 0x0D)
            breakLength = 1;
        else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x85)
            breakLength = 2;
        else if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
                 (static_cast<unsigned char>(text[i + 2]) == 0xA8 ||
                  static_cast<unsigned char>(text[i + 2]) == 0xA9))
            breakLength = 3;
        if (breakLength == 0) {
            ++i;
            continue;
        }
        lines.push_back(text.substr(start, i - start));
        i += breakLength;
        start = i;
    }
    lines.push_back(text.substr(start));
    return lines;
}

std::string_view trimHorizontalSpace(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        const CodePoint c = decodeAt(text, begin);
        if (!isHorizontalBlank(c.value))
            break;
        begin += c.length;
    }
    std::size_t end = text.size();
    while (end > begin) {
        const std::size_t start = previousStart(text, end);
        if (!isHorizontalBlank(decodeAt(text, start).value))
            break;
        end = start;
    }
    return text.substr(begin, end - begin);
}

// ---------------------------------------------------------------------------------------------
// Patterns

namespace {

struct Match {
    std::size_t end = 0;   // end of the whole match
    std::size_t begin = 0; // capture group 1
    std::size_t length = 0;
};

// A pattern compiled once per parser. "\w" and "\s" take their Unicode meaning: letters, marks,
// decimal digits and connector punctuation form words (so Straße is one word), and every Unicode
// white space character is a space. The matcher keeps its backtracking on the heap, so a long line
// cannot exhaust the stack. A pattern that does not compile never matches.
class Pattern {
  public:
    explicit Pattern(std::string_view source) {
        std::string expanded;
        for (std::size_t i = 0; i < source.size(); ++i) {
            if (source[i] == '\\' && i + 1 < source.size() &&
                (source[i + 1] == 'w' || source[i + 1] == 's')) {
                expanded += source[i + 1] == 'w' ? R"([\p{Alphabetic}\p{M}\p{Nd}\p{Pc}\x{200C}\x{200D}])"
                                                 : R"(\p{White_Space})";
                ++i;
            } else {
                expanded += source[i];
            }
        }
        int error = 0;
        PCRE2_SIZE offset = 0;
        code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(expanded.data()), expanded.size(),
                              PCRE2_UTF | PCRE2_UCP | PCRE2_MATCH_INVALID_UTF, &error, &offset, nullptr);
    }
    ~Pattern() { pcre2_code_free(code_); }
    Pattern(const Pattern&) = delete;
    Pattern& operator=(const Pattern&) = delete;

    // The first match anywhere in `text`.
    std::optional<Match> firstMatch(std::string_view text) const {
        if (!code_)
            return std::nullopt;
        std::unique_ptr<pcre2_match_data, decltype(&pcre2_match_data_free)> data(
            pcre2_match_data_create(2, nullptr), &pcre2_match_data_free);
        if (!data)
            return std::nullopt;
        const int found = pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0, 0,
                                      data.get(), nullptr);
        if (found < 2)
            return std::nullopt;
        const PCRE2_SIZE* vector = pcre2_get_ovector_pointer(data.get());
        if (vector[2] == PCRE2_UNSET)
            return std::nullopt;
        return Match{vector[1], vector[2], vector[3] - vector[2]};
    }

  private:
    pcre2_code* code_ = nullptr;
};

} // namespace

struct SwiftModelParser::Patterns {
    // Tried in this order; the first also matches a declaration that begins with final.
    Pattern declarations[3] = {Pattern(R"(class\s+(\w+))"), Pattern(R"(struct\s+(\w+))"),
                               Pattern(R"(final\s+class\s+(\w+))")};
    // The property pattern is (?:var|let)\s+(\w+)\s*:\s*(.+?)(?:\s*[=\{]|$). Its head is matched
    // here; the type after the colon is found by typeAfterColon, which gives the same text in one
    // pass where a backtracking matcher would take quadratic time on long runs of spaces. A colon
    // at the very end leaves no type, so the search goes on to a later var or let.
    Pattern propertyHead{R"((?:var|let)\s+(\w+)\s*:(?!\z))"};
    Pattern arrayElement{R"(Array<(\w+)>)"};
    Pattern upperCaseStart{R"(^(\p{Uppercase}))"};
};

namespace {

// The text that "\s*(.+?)(?:\s*[=\{]|$)" captures when matched right after the colon: after the
// spaces, at least one character, up to the first "=" or "{" (and the spaces before it) or the end.
std::string_view typeAfterColon(std::string_view line, std::size_t colonEnd) {
    std::size_t start = colonEnd;
    while (start < line.size()) {
        const CodePoint c = decodeAt(line, start);
        if (!isWhiteSpace(c.value))
            break;
        start += c.length;
    }
    if (start == line.size()) {
        // Only spaces follow: the spaces give their last character back to the capture.
        return start > colonEnd ? line.substr(previousStart(line, start)) : std::string_view();
    }
    std::size_t position = start + decodeAt(line, start).length;
    std::size_t spaceRun = std::string_view::npos;
    while (position < line.size()) {
        const CodePoint c = decodeAt(line, position);
        if (c.value == '=' || c.value == '{')
            return line.substr(start, (spaceRun != std::string_view::npos ? spaceRun : position) - start);
        if (isWhiteSpace(c.value)) {
            if (spaceRun == std::string_view::npos)
                spaceRun = position;
        } else {
            spaceRun = std::string_view::npos;
        }
        position += c.length;
    }
    return line.substr(start);
}

// Skips a parenthesised argument list that starts at `open`, string literals included; returns the
// position after its closing parenthesis, or npos when it does not close on this line.
std::size_t skipArguments(std::string_view line, std::size_t open) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = open; i < line.size(); ++i) {
        const char c = line[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')' && --depth == 0) {
            return i + 1;
        }
    }
    return std::string_view::npos;
}

// A stored property is often written on the line of its storage attributes:
// "@Relationship(deleteRule: .cascade) var items: [Item]". Those attributes are removed so the
// declaration after them is read; any other attribute (@Transient, say) stays in front, and a line
// that begins with an attribute is never a column.
std::string_view withoutStorageAttributes(std::string_view line) {
    for (;;) {
        std::size_t end = 0;
        for (std::string_view attribute : {"@Attribute", "@Relationship"})
            if (line.starts_with(attribute))
                end = attribute.size();
        if (end == 0)
            return line;
        if (end < line.size() && line[end] == '(') {
            end = skipArguments(line, end);
            if (end == std::string_view::npos)
                return line;
        } else if (end < line.size() && !isWhiteSpace(decodeAt(line, end).value)) {
            return line; // a longer name, such as @AttributeSet
        }
        line = trimHorizontalSpace(line.substr(end));
    }
}

std::string removeQuestionMarks(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text)
        if (c != '?')
            result += c;
    return result;
}

constexpr std::array<std::string_view, 8> modelMarkers = {"var id", "@Attribute", "@Relationship", ": String",
                                                          ": Int",  ": Date",     "Identifiable",  "Codable"};

constexpr std::array<std::string_view, 10> valueTypes = {"String", "Int",  "Double", "Float", "Bool",
                                                         "Date",   "Data", "UUID",   "URL",   "Decimal"};

// How many lines the marker test looks at, starting with the declaration's own.
constexpr std::size_t markerWindow = 20;

} // namespace

// ---------------------------------------------------------------------------------------------
// Parsing

SwiftModelParser::SwiftModelParser() : patterns_(std::make_unique<Patterns>()) {}

SwiftModelParser::~SwiftModelParser() = default;

std::optional<std::string> SwiftModelParser::declarationName(std::string_view line) const {
    for (const Pattern& pattern : patterns_->declarations)
        if (auto match = pattern.firstMatch(line))
            return std::string(line.substr(match->begin, match->length));
    return std::nullopt;
}

std::optional<ParsedProperty> SwiftModelParser::parseProperty(std::string_view line) const {
    const std::string_view whole = trimHorizontalSpace(line);
    const std::string_view declaration = withoutStorageAttributes(whole);
    if (declaration.empty())
        return std::nullopt;
    for (std::string_view skipped : {"//", "/*", "func ", "init", "deinit", "@"})
        if (declaration.starts_with(skipped))
            return std::nullopt;
    if (!contains(declaration, "var ") && !contains(declaration, "let "))
        return std::nullopt;
    const auto head = patterns_->propertyHead.firstMatch(declaration);
    if (!head)
        return std::nullopt;

    ParsedProperty property;
    property.name = std::string(declaration.substr(head->begin, head->length));
    const std::string written =
        removeQuestionMarks(trimHorizontalSpace(typeAfterColon(declaration, head->end)));
    property.type = std::string(trimHorizontalSpace(written));
    property.isArray = property.type.starts_with("[") || contains(property.type, "Array<");
    property.relatedType = relatedTypeName(property.type);
    property.isOptional = contains(whole, "?");
    property.isRelationship = property.relatedType.has_value() || contains(whole, "@Relationship");
    return property;
}

std::optional<std::string> SwiftModelParser::relatedTypeName(std::string_view type) const {
    if (type.starts_with("[") && type.ends_with("]") && type.size() >= 2) {
        const std::string_view element = type.substr(1, type.size() - 2);
        if (element.empty())
            return std::nullopt;
        return std::string(element);
    }
    if (contains(type, "Array<"))
        if (auto match = patterns_->arrayElement.firstMatch(type))
            return std::string(type.substr(match->begin, match->length));
    if (!patterns_->upperCaseStart.firstMatch(type))
        return std::nullopt;
    if (std::find(valueTypes.begin(), valueTypes.end(), type) != valueTypes.end())
        return std::nullopt;
    return std::string(type);
}

bool SwiftModelParser::hasModelMarkers(const std::vector<std::string_view>& lines,
                                       std::size_t lineIndex) const {
    // No marker spans a line break, so looking line by line finds what the joined lines would show.
    const std::size_t end = std::min(lines.size(), lineIndex + markerWindow);
    for (std::size_t i = lineIndex; i < end; ++i)
        for (std::string_view marker : modelMarkers)
            if (contains(lines[i], marker))
                return true;
    return false;
}

bool SwiftModelParser::hasModelMarkers(std::string_view text, std::size_t lineIndex) const {
    return hasModelMarkers(splitLines(text), lineIndex);
}

std::vector<ParsedModel> SwiftModelParser::parseModels(std::string_view text) const {
    const std::vector<std::string_view> lines = splitLines(text);
    std::vector<ParsedModel> models;
    std::optional<ParsedModel> current;
    long depth = 0;
    // After a model starts, no other declaration is looked for until it ends, so nested types are
    // not taken for models of their own.
    bool detectionSuppressed = false;

    // A declaration outside a model starts one when the lines after it look like a model's.
    const auto detect = [&](std::string_view trimmed, std::size_t index) {
        if (!contains(trimmed, "class ") && !contains(trimmed, "struct ")) {
            detectionSuppressed = false;
            return;
        }
        auto name = declarationName(trimmed);
        if (name && hasModelMarkers(lines, index)) {
            current = ParsedModel{std::move(*name), {}};
            depth = 1; // the declaration line is taken to hold the opening brace
            detectionSuppressed = true;
        } else {
            detectionSuppressed = false;
        }
    };

    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const std::string_view trimmed = trimHorizontalSpace(line);

        if (trimmed.starts_with("@Model")) {
            auto name = declarationName(trimmed);
            const bool declaredOnThisLine = name.has_value();
            if (!name && i + 1 < lines.size())
                name = declarationName(lines[i + 1]);
            if (!name)
                continue;
            current = ParsedModel{std::move(*name), {}}; // an unfinished model is dropped
            depth = 0;
            detectionSuppressed = true;
            // "@Model final class Item {" on one line: its braces count as the declaration line's do
            // in the two-line form, so both forms keep the same properties.
            if (!declaredOnThisLine)
                continue;
        }

        if (current) {
            depth += std::count(line.begin(), line.end(), '{');
            depth -= std::count(line.begin(), line.end(), '}');
            if (auto property = parseProperty(trimmed))
                current->properties.push_back(std::move(*property));
            if (depth < 1) {
                models.push_back(std::move(*current));
                current.reset();
                detect(trimmed, i);
            } else if (!detectionSuppressed) {
                detect(trimmed, i);
            }
        } else if (!detectionSuppressed) {
            detect(trimmed, i);
        }
    }
    return models; // a model still open at the end of the text is dropped
}

namespace {

// The table of one model, given the names of all models of the folder.
TableSchema tableOf(const ParsedModel& model, const std::set<std::string_view>& modelNames) {
    TableSchema table;
    table.id = table.name = model.name;
    for (const ParsedProperty& property : model.properties) {
        ColumnSchema column;
        column.id = column.name = property.name;
        column.isNotNull = !property.isOptional;
        if (property.relatedType && modelNames.contains(*property.relatedType)) {
            const std::string& related = *property.relatedType;
            table.foreignKeys.push_back(ForeignKeyInfo{
                foreignKeyId(model.name, property.name, related, "id"), model.name, property.name, related,
                "id", ForeignKeyAction::noAction, ForeignKeyAction::noAction});
            column.type = property.isArray ? "[" + related + "]" : related;
        } else {
            column.type = property.type;
            const std::string_view name = property.name;
            column.isPrimaryKey = name == "id" || name.ends_with("ID") || name.ends_with("Id");
            if (column.isPrimaryKey)
                table.primaryKeyColumns.push_back(property.name);
        }
        table.columns.push_back(std::move(column));
    }
    if (table.primaryKeyColumns.empty()) {
        // Every model has an identity even when it declares none.
        table.columns.insert(table.columns.begin(),
                             ColumnSchema{"id", "id", "UUID", true, std::nullopt, true, std::nullopt});
        table.primaryKeyColumns.push_back("id");
    }
    return table;
}

std::set<std::string_view> namesOf(const std::vector<ParsedModel>& models) {
    std::set<std::string_view> names;
    for (const ParsedModel& model : models)
        names.insert(model.name);
    return names;
}

} // namespace

TableSchema SwiftModelParser::makeTable(const ParsedModel& model,
                                        const std::vector<ParsedModel>& models) const {
    return tableOf(model, namesOf(models));
}

// ---------------------------------------------------------------------------------------------
// The folder

namespace {

// "Item.swift" and hidden ".Item.swift" are Swift files; ".swift" alone has no extension.
bool isSwiftFileName(std::string_view name) {
    constexpr std::string_view extension = ".swift";
    return name.size() > extension.size() && name.ends_with(extension);
}

std::string absoluteFolderPath(const std::string& folder) {
    std::error_code ignored;
    fs::path path = fs::absolute(fs::path(folder), ignored);
    if (path.empty())
        path = folder;
    std::string text = path.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

Unexpected<ModelsFolderError> fileFailure(const std::string& path, std::string reason) {
    return Unexpected{ModelsFolderError{SourceFileError{path, std::move(reason)}}};
}

// The file's text without a leading byte order mark, or why it cannot be read as UTF-8 text.
Expected<std::string, ModelsFolderError> readSourceFile(const std::string& path) {
    // Non-blocking, so an entry that is a named pipe cannot stall the open.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0)
        return fileFailure(path, std::strerror(errno));
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        return fileFailure(path, std::strerror(errno));
    if (S_ISDIR(info.st_mode))
        return fileFailure(path, "it is a folder, not a Swift file");
    if (!S_ISREG(info.st_mode))
        return fileFailure(path, "it is not a regular file");
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return fileFailure(path, std::strerror(errno));
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    if (std::string_view(bytes).starts_with(byteOrderMark))
        bytes.erase(0, byteOrderMark.size());
    const std::size_t valid = validUtf8Length(bytes);
    if (valid != bytes.size()) {
        const auto line =
            1 + std::count(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(valid), '\n');
        return fileFailure(path, "it is not UTF-8 text (an invalid byte sequence on line " +
                                     std::to_string(line) + ")");
    }
    return bytes;
}

} // namespace

Expected<DatabaseSchema, ModelsFolderError> SwiftModelParser::parseModelsFolder(const std::string& folder,
                                                                                LayoutDirection direction,
                                                                                double layerSeparation,
                                                                                double nodeSeparation,
                                                                                LayoutRandom& random) const {
    const std::string directory = absoluteFolderPath(folder);

    // Only the folder's own entries, hidden ones included; subfolders are not searched. Names are
    // taken in byte order: a folder lists in no stable order, and the same folder must give the
    // same diagram everywhere.
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator entry(directory, error), end; !error && entry != end;
         entry.increment(error)) {
        std::string name = entry->path().filename().string();
        if (isSwiftFileName(name))
            names.push_back(std::move(name));
    }
    if (error)
        return fileFailure(directory, error.message());
    if (names.empty())
        return Unexpected{ModelsFolderError{SwiftModelParserError::noSwiftFilesFound(directory)}};
    std::sort(names.begin(), names.end());

    std::vector<ParsedModel> models;
    for (const std::string& name : names) {
        auto text = readSourceFile(directory == "/" ? "/" + name : directory + "/" + name);
        if (!text)
            return Unexpected{std::move(text).error()};
        for (ParsedModel& model : parseModels(text.value()))
            models.push_back(std::move(model));
    }
    if (models.empty())
        return Unexpected{ModelsFolderError{SwiftModelParserError::noModelsFound(directory)}};

    std::vector<TableSchema> tables;
    tables.reserve(models.size());
    const std::set<std::string_view> modelNames = namesOf(models);
    for (const ParsedModel& model : models)
        tables.push_back(tableOf(model, modelNames));
    // Models never get inferred keys: their relationships are exactly the typed properties.
    tables = classifyTables(std::move(tables));
    tables = layoutTables(std::move(tables), direction, layerSeparation, nodeSeparation, random);

    std::string fileName = fs::path(directory).filename().string();
    if (fileName.empty())
        fileName = directory;
    return makeSchema(std::move(tables), std::move(fileName));
}

} // namespace ketterly
