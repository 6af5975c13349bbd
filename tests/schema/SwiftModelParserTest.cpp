#include "schema/SwiftModelParser.h"

#include "support/TestDatabase.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace ketterly;
using ketterly::test::TempDir;

namespace {

// "name: type" for each property, in order; a compact picture of what a model collected.
std::vector<std::string> propertySummary(const ParsedModel& model) {
    std::vector<std::string> summary;
    for (const auto& property : model.properties)
        summary.push_back(property.name + ": " + property.type);
    return summary;
}

std::vector<std::string> modelNames(const std::vector<ParsedModel>& models) {
    std::vector<std::string> names;
    for (const auto& model : models)
        names.push_back(model.name);
    return names;
}

std::vector<std::string> tableNames(const DatabaseSchema& schema) {
    std::vector<std::string> names;
    for (const auto& table : schema.tables)
        names.push_back(table.name);
    return names;
}

} // namespace

TEST(SwiftModelParser, TheTwoLineFormGetsASynthesisedIdentity) {
    const SwiftModelParser parser;
    const auto models = parser.parseModels("import SwiftData\n"
                                           "\n"
                                           "@Model\n"
                                           "final class Item {\n"
                                           "    var timestamp: Date\n"
                                           "\n"
                                           "    init(timestamp: Date) {\n"
                                           "        self.timestamp = timestamp\n"
                                           "    }\n"
                                           "}\n");
    ASSERT_EQ(models.size(), 1u);
    EXPECT_EQ(models[0].name, "Item");
    EXPECT_EQ(propertySummary(models[0]), (std::vector<std::string>{"timestamp: Date"}));

    const TableSchema table = parser.makeTable(models[0], models);
    EXPECT_EQ(table.name, "Item");
    EXPECT_EQ(table.id, "Item");
    EXPECT_EQ(table.primaryKeyColumns, (std::vector<std::string>{"id"}));
    ASSERT_EQ(table.columns.size(), 2u);
    EXPECT_EQ(table.columns[0], (ColumnSchema{"id", "id", "UUID", true, std::nullopt, true, std::nullopt}));
    EXPECT_EQ(table.columns[1],
              (ColumnSchema{"timestamp", "timestamp", "Date", true, std::nullopt, false, std::nullopt}));
    EXPECT_TRUE(table.foreignKeys.empty());
    EXPECT_TRUE(table.indexes.empty());
}

// The attribute may share the declaration's line; the model must keep every property either way,
// including those after a method body.
TEST(SwiftModelParser, TheSameLineFormKeepsItsPropertiesLikeTheTwoLineForm) {
    const SwiftModelParser parser;
    const std::string body = "    var name: String\n"
                             "    init(name: String) {\n"
                             "        self.name = name\n"
                             "    }\n"
                             "    var count: Int = 0\n"
                             "}\n"
                             "@Model\n"
                             "final class Other {\n"
                             "    var label: String\n"
                             "}\n";
    for (const std::string declaration :
         {"@Model\nfinal class Item {\n", "@Model final class Item {\n", "  @Model class Item: Codable {\n",
          "@Model\r\nfinal class Item {\r\n"}) {
        const auto models = parser.parseModels(declaration + body);
        ASSERT_EQ(modelNames(models), (std::vector<std::string>{"Item", "Other"})) << declaration;
        EXPECT_EQ(propertySummary(models[0]), (std::vector<std::string>{"name: String", "count: Int"}))
            << declaration;
        EXPECT_EQ(propertySummary(models[1]), (std::vector<std::string>{"label: String"})) << declaration;
    }
}

TEST(SwiftModelParser, RelationshipsLinkModelsOfTheFolder) {
    const SwiftModelParser parser;
    const auto models = parser.parseModels("enum Status: String, Codable { case open, closed }\n"
                                           "@Model\n"
                                           "final class Trip {\n"
                                           "    var items: [Item]\n"
                                           "    var status: Status\n"
                                           "    var ownerID: String\n"
                                           "    var fullName: String { first + \" \" + last }\n"
                                           "    var tags: Array<Tag>\n"
                                           "}\n"
                                           "@Model\n"
                                           "final class Item {\n"
                                           "    var trip: Trip?\n"
                                           "    @Relationship(deleteRule: .cascade) var parts: [Item] = []\n"
                                           "}\n"
                                           "@Model final class Tag {\n"
                                           "    @Attribute(.unique) var name: String\n"
                                           "}\n");
    ASSERT_EQ(modelNames(models), (std::vector<std::string>{"Trip", "Item", "Tag"}));

    const TableSchema trip = parser.makeTable(models[0], models);
    // ownerID ends in "ID": it is the key, so no id column is added. The enum is not a model.
    EXPECT_EQ(trip.primaryKeyColumns, (std::vector<std::string>{"ownerID"}));
    ASSERT_EQ(trip.columns.size(), 5u);
    EXPECT_EQ(trip.columns[0],
              (ColumnSchema{"items", "items", "[Item]", true, std::nullopt, false, std::nullopt}));
    EXPECT_EQ(trip.columns[1],
              (ColumnSchema{"status", "status", "Status", true, std::nullopt, false, std::nullopt}));
    EXPECT_TRUE(trip.columns[2].isPrimaryKey);
    EXPECT_EQ(trip.columns[3].name, "fullName");
    EXPECT_EQ(trip.columns[3].type, "String");
    EXPECT_EQ(trip.columns[4].type, "[Tag]");
    ASSERT_EQ(trip.foreignKeys.size(), 2u);
    EXPECT_EQ(trip.foreignKeys[0], (ForeignKeyInfo{"Trip.items->Item.id", "Trip", "items", "Item", "id",
                                                   ForeignKeyAction::noAction, ForeignKeyAction::noAction}));
    EXPECT_EQ(trip.foreignKeys[1].id, "Trip.tags->Tag.id");

    const TableSchema item = parser.makeTable(models[1], models);
    ASSERT_EQ(item.columns.size(), 3u);
    EXPECT_EQ(item.columns[0].name, "id"); // synthesised
    EXPECT_EQ(item.columns[1],
              (ColumnSchema{"trip", "trip", "Trip", false, std::nullopt, false, std::nullopt}));
    EXPECT_EQ(item.columns[2].type, "[Item]");
    ASSERT_EQ(item.foreignKeys.size(), 2u);
    EXPECT_EQ(item.foreignKeys[0].id, "Item.trip->Trip.id");
    EXPECT_EQ(item.foreignKeys[1].id, "Item.parts->Item.id");

    // A property on the line of its @Attribute is a column too.
    const TableSchema tag = parser.makeTable(models[2], models);
    ASSERT_EQ(tag.columns.size(), 2u);
    EXPECT_EQ(tag.columns[1].name, "name");
}

TEST(SwiftModelParser, TypesWithModelMarkersAreFoundWithoutTheAttribute) {
    const SwiftModelParser parser;
    const auto models = parser.parseModels("import SwiftUI\n"
                                           "struct ContentView: View {\n"
                                           "    @State private var title: String = \"\"\n"
                                           "    var body: some View {\n"
                                           "        Text(title)\n"
                                           "    }\n"
                                           "}\n"
                                           "class Helper {\n"
                                           "    func run() {}\n"
                                           "}\n");
    ASSERT_EQ(modelNames(models), (std::vector<std::string>{"ContentView"}));
    EXPECT_EQ(propertySummary(models[0]), (std::vector<std::string>{"body: some View"}));

    // The marker test looks at the declaration's line and the 19 after it.
    std::string text = "struct Late {\n";
    for (int i = 0; i < 18; ++i)
        text += "    // nothing\n";
    const std::string nineteenth = text + "    var name: String\n}\n";
    const std::string twentieth = text + "    //\n    var name: String\n}\n";
    EXPECT_TRUE(parser.hasModelMarkers(nineteenth, 0));
    EXPECT_FALSE(parser.hasModelMarkers(twentieth, 0));
    EXPECT_TRUE(parser.hasModelMarkers(twentieth, 1));
    EXPECT_FALSE(parser.hasModelMarkers(twentieth, 400));
    EXPECT_EQ(parser.parseModels(nineteenth).size(), 1u);
    EXPECT_TRUE(parser.parseModels(twentieth).empty());
}

TEST(SwiftModelParser, ModelBoundaries) {
    const SwiftModelParser parser;
    struct Case {
        const char* label;
        std::string text;
        std::vector<std::string> models;
    };
    const Case cases[] = {
        {"a model that never closes is dropped", "@Model\nfinal class Open {\n    var a: Int\n", {}},
        {"a second attribute drops the unfinished model",
         "@Model\nfinal class First {\n  var a: Int\n@Model\nfinal class Second {\n  var b: Int\n}\n",
         {"Second"}},
        {"an attribute without a declaration is ignored", "@Model\n\nfinal class Later {\n}\n", {}},
        {"nested types are not models of their own",
         "@Model\nfinal class Outer {\n    struct Inner: Codable {\n        var x: Int\n    }\n"
         "    var y: Int\n}\n",
         {"Outer"}},
        {"a type with markers after a model",
         "@Model\nfinal class A {\n    var a: Int\n}\nstruct B: Codable {\n    var id: UUID\n}\n",
         {"A", "B"}},
        {"carriage returns alone break lines", "@Model\rfinal class Mac {\r    var a: Int\r}\r", {"Mac"}},
        {"Unicode line and paragraph separators break lines",
         "@Model\u2028final class Sep {\u2029    var a: Int\u0085}",
         {"Sep"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(modelNames(parser.parseModels(c.text)), c.models) << c.label;

    // Properties at any depth are collected, a local let in a method body too.
    const auto models =
        parser.parseModels("@Model\nfinal class Deep {\n  func f() {\n    let local: Int = 1\n"
                           "  }\n  var after: Date\n}\n");
    ASSERT_EQ(models.size(), 1u);
    EXPECT_EQ(propertySummary(models[0]), (std::vector<std::string>{"local: Int", "after: Date"}));
}

TEST(SwiftModelParser, PropertyLines) {
    const SwiftModelParser parser;
    struct Case {
        std::string line;
        std::optional<ParsedProperty> expected; // name, type, isRelationship, isOptional, isArray, related
    };
    const auto p = [](std::string name, std::string type, bool relationship, bool optional, bool array,
                      std::optional<std::string> related) {
        return std::optional<ParsedProperty>(ParsedProperty{std::move(name), std::move(type), relationship,
                                                            optional, array, std::move(related)});
    };
    const Case cases[] = {
        {"var timestamp: Date", p("timestamp", "Date", false, false, false, std::nullopt)},
        {"  var trip: Trip?  ", p("trip", "Trip", true, true, false, "Trip")},
        {"var items: [Item] = []", p("items", "[Item]", true, false, true, "Item")},
        {"let tags: Array<Tag>", p("tags", "Array<Tag>", true, false, true, "Tag")},
        {"var count : Int   = 0", p("count", "Int", false, false, false, std::nullopt)},
        {"var fullName: String { first + last }", p("fullName", "String", false, false, false, std::nullopt)},
        {"private(set) var score: Double", p("score", "Double", false, false, false, std::nullopt)},
        {"var lookup: [String: Item]", p("lookup", "[String: Item]", true, false, true, "String: Item")},
        {"var note: String // keep it short",
         p("note", "String // keep it short", true, false, false, "String // keep it short")},
        {"var flag: Bool = x ? true : false", p("flag", "Bool", false, true, false, std::nullopt)},
        {"var set: Set<Tag>", p("set", "Set<Tag>", true, false, false, "Set<Tag>")},
        {"var empty: []", p("empty", "[]", false, false, true, std::nullopt)},
        {"var odd: = 5", p("odd", "= 5", false, false, false, std::nullopt)},
        {"var color: color", p("color", "color", false, false, false, std::nullopt)},
        // Storage attributes on the property's own line are read past.
        {"@Attribute(.unique) var name: String", p("name", "String", false, false, false, std::nullopt)},
        {"@Relationship(deleteRule: .cascade, inverse: \\Item.trip) var items: [Item]",
         p("items", "[Item]", true, false, true, "Item")},
        {"@Attribute(originalName: \"a)b\") @Relationship var x: Int",
         p("x", "Int", true, false, false, std::nullopt)},
        {"@Attribute(.unique) public var code: String",
         p("code", "String", false, false, false, std::nullopt)},
        // Unicode: letters beyond ASCII are word characters, every Unicode space is a space.
        {"var größe: Straße", p("größe", "Straße", true, false, false, "Straße")},
        {"var cafe\xCC\x81: String", p("cafe\xCC\x81", "String", false, false, false, std::nullopt)},
        {"var \u00A0name:\u3000Ärger", p("name", "Ärger", true, false, false, "Ärger")},
        {"let when: Date = .now; var next: Int", p("when", "Date", false, false, false, std::nullopt)},
        {"var :Int; var later: Int", p("later", "Int", false, false, false, std::nullopt)},
        // Lines that are not stored properties.
        {"", std::nullopt},
        {"// var commented: Int", std::nullopt},
        {"/* var x: Int */", std::nullopt},
        {"func make() -> Item { let x: Int = 1 }", std::nullopt},
        {"init(name: String) { var x: Int }", std::nullopt},
        {"deinit { var x: Int }", std::nullopt},
        {"@Transient var cache: [String: Int] = [:]", std::nullopt},
        {"@Attribute(.unique)", std::nullopt},
        {"@Attribute(.transformable(by: X.self),", std::nullopt},
        {"@AttributeSet var x: Int", std::nullopt},
        {"var inferred = 5", std::nullopt},
        {"var dangling:", std::nullopt},
        {"var gap:   ", std::nullopt},
        {"case open, closed", std::nullopt},
        {"var x\xC2\xB2: Int", std::nullopt}, // a superscript digit is not a word character
        {"var\u00A0name: Int", std::nullopt}, // the text test wants "var" and a plain space
    };
    for (const auto& c : cases)
        EXPECT_EQ(parser.parseProperty(c.line), c.expected) << c.line;
}

TEST(SwiftModelParser, RelatedTypeNames) {
    const SwiftModelParser parser;
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"Item", "Item"},          {"[Item]", "Item"},
        {"Array<Item>", "Item"},   {"Array<[Item]>", "Array<[Item]>"},
        {"[]", std::nullopt},      {"Dictionary<String, Item>", "Dictionary<String, Item>"},
        {"item", std::nullopt},    {"", std::nullopt},
        {"Ölfass", "Ölfass"},      {"String", std::nullopt},
        {"Int", std::nullopt},     {"Double", std::nullopt},
        {"Float", std::nullopt},   {"Bool", std::nullopt},
        {"Date", std::nullopt},    {"Data", std::nullopt},
        {"UUID", std::nullopt},    {"URL", std::nullopt},
        {"Decimal", std::nullopt}, {"Strings", "Strings"},
        {"[String]", "String"},
    };
    for (const auto& [type, expected] : cases)
        EXPECT_EQ(parser.relatedTypeName(type), expected) << type;
}

TEST(SwiftModelParser, LinesAndTrimming) {
    using Lines = std::vector<std::string_view>;
    EXPECT_EQ(splitLines(""), (Lines{""}));
    EXPECT_EQ(splitLines("a\r\nb\n"), (Lines{"a", "", "b", ""}));
    EXPECT_EQ(splitLines("a\vb\fc\u0085d\u2028e\u2029f"), (Lines{"a", "b", "c", "d", "e", "f"}));
    EXPECT_EQ(trimHorizontalSpace("\t \u00A0\u3000x y\u2007 \t"), "x y");
    EXPECT_EQ(trimHorizontalSpace("\u200Bx"), "\u200Bx");     // a zero-width space is no blank
    EXPECT_EQ(trimHorizontalSpace("\xA0x\xC2"), "\xA0x\xC2"); // stray bytes are kept, never overrun
}

TEST(SwiftModelParser, LargeAndHostileTextParsesInLinearTime) {
    const SwiftModelParser parser;

    // About 5 MB of ordinary models.
    std::string big;
    int count = 0;
    while (big.size() < 5'000'000) {
        const std::string name = "Model" + std::to_string(count++);
        big += "@Model\nfinal class " + name + " {\n    var title: String\n    var next: " + name +
               "?\n    var created: Date = .now\n    init() {\n        title = \"\"\n    }\n}\n\n";
    }
    const auto models = parser.parseModels(big);
    ASSERT_EQ(models.size(), static_cast<std::size_t>(count));
    EXPECT_EQ(propertySummary(models.back()).size(), 3u);

    // Lines of 1 MB: a long run of spaces inside a type, a name with no colon, declarations that
    // never finish, and a whole file on one line.
    const std::string spaces(1'000'000, ' ');
    const std::string letters(1'000'000, 'a');
    const auto longType = parser.parseProperty("var note: A" + spaces + "B");
    ASSERT_TRUE(longType);
    EXPECT_EQ(longType->type.size(), spaces.size() + 2);
    const auto spacedDefault = parser.parseProperty("var note: A" + spaces + "= 1");
    ASSERT_TRUE(spacedDefault);
    EXPECT_EQ(spacedDefault->type, "A");
    EXPECT_FALSE(parser.parseProperty("var " + letters));
    EXPECT_TRUE(parser.parseModels("struct S: Codable {" + spaces).empty());
    EXPECT_TRUE(parser.parseModels("class" + spaces + letters).empty());
    std::string oneLine;
    while (oneLine.size() < 1'000'000)
        oneLine += "@Model final class A { var id: Int; var name: String } ";
    EXPECT_EQ(modelNames(parser.parseModels(oneLine)), (std::vector<std::string>{"A"}));

    // Braces nested 10,000 deep inside a model, and unbalanced ones outside.
    const std::string open(10'000, '{'), close(10'000, '}');
    const auto nested =
        parser.parseModels("@Model\nfinal class Nest {\n" + open + "\n  var deep: Int\n" + close +
                           "\n  var shallow: Int\n}\n" + close + open + "\n@Model\nfinal class Next {\n}\n");
    ASSERT_EQ(modelNames(nested), (std::vector<std::string>{"Nest", "Next"}));
    EXPECT_EQ(propertySummary(nested[0]), (std::vector<std::string>{"deep: Int", "shallow: Int"}));
}

// ---------------------------------------------------------------------------------------------
// Folders

namespace {

struct FolderFile {
    std::string name;
    std::string text;
};

void writeFolder(const std::string& path, const std::vector<FolderFile>& files) {
    std::filesystem::create_directories(path);
    for (const auto& file : files)
        test::writeFile(path + "/" + file.name, file.text);
}

std::string model(const std::string& name, const std::string& body = "    var name: String\n") {
    return "@Model\nfinal class " + name + " {\n" + body + "}\n";
}

Expected<DatabaseSchema, ModelsFolderError> parseFolder(const std::string& path, std::uint64_t seed = 1) {
    LayoutRandom random(seed);
    return SwiftModelParser().parseModelsFolder(path, LayoutDirection::topToBottom, 180, 60, random);
}

} // namespace

TEST(SwiftModelParserFolder, ReadsTheFolderDirectSwiftFilesInByteOrder) {
    TempDir dir;
    const std::string folder = dir.file("Models");
    writeFolder(folder, {
                            {"b.swift", model("Lower")},
                            {"B.swift", model("Upper")},
                            {"\xC3\x84.swift", model("Umlaut")},
                            {".hidden.swift", model("Hidden")},
                            {".swift", model("NoExtension")},
                            {"Item.SWIFT", model("WrongCase")},
                            {"README.md", model("Readme")},
                            {"z.swift.bak", model("Backup")},
                            // A byte order mark is not text: the attribute on the first line counts.
                            {"a.swift", "\xEF\xBB\xBF" + model("Marked", "    var owner: Lower?\n")},
                        });
    writeFolder(folder + "/Sub", {{"Deep.swift", model("Deep")}});

    const auto schema = parseFolder(folder + "/");
    ASSERT_TRUE(schema) << schema.error().description();
    EXPECT_EQ(schema->fileName, "Models");
    EXPECT_EQ(tableNames(*schema),
              (std::vector<std::string>{"Hidden", "Upper", "Marked", "Lower", "Umlaut"}));
    EXPECT_EQ(schema->relationships.size(), 1u);
    EXPECT_EQ(schema->relationships[0].id, "Marked.owner->Lower.id");
    // Laid out: the referencing model sits above the one it references.
    EXPECT_LT(schema->tables[2].position.y, schema->tables[3].position.y);
    for (const auto& table : schema->tables)
        EXPECT_GE(table.position.x, 100) << table.name;

    // The same folder gives the same diagram every time.
    const auto again = parseFolder(folder);
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, *schema);
}

TEST(SwiftModelParserFolder, NeverInfersKeysFromNames) {
    TempDir dir;
    writeFolder(dir.path(), {{"Shop.swift", model("customers", "    var name: String\n") +
                                                model("orders", "    var customer_id: Int\n")}});
    const auto schema = parseFolder(dir.path());
    ASSERT_TRUE(schema) << schema.error().description();
    EXPECT_TRUE(schema->relationships.empty());
    EXPECT_EQ(schema->tables[1].color, TableColor::pink); // the classifier did run
}

TEST(SwiftModelParserFolder, ErrorsNameTheFolderOrTheFile) {
    TempDir dir;
    namespace fs = std::filesystem;
    const std::string readme = dir.file("readme-only");
    writeFolder(readme, {{"README.md", model("Readme")}});
    writeFolder(readme + "/Sub", {{"Deep.swift", model("Deep")}});
    const std::string empty = dir.file("empty");
    fs::create_directories(empty);
    const std::string plain = dir.file("plain");
    writeFolder(plain, {{"Util.swift", "func helper() -> Int { 1 }\nenum Mode { case a }\n"}});
    const std::string invalid = dir.file("invalid");
    writeFolder(invalid, {{"A.swift", model("Fine")}, {"Bad.swift", model("Bad") + "// caf\xE9\n"}});
    const std::string folderEntry = dir.file("folder-entry");
    writeFolder(folderEntry + "/Models.swift", {});
    const std::string dangling = dir.file("dangling");
    writeFolder(dangling, {{"A.swift", model("Fine")}});
    fs::create_symlink(dangling + "/nowhere", dangling + "/Gone.swift");
    writeFolder(dir.file("files"), {{"Trip.swift", model("Trip")}});

    struct Case {
        std::string path;
        std::string description;
    };
    const Case cases[] = {
        {readme, "No Swift files found in '" + readme + "'"},
        {readme + "/./", "No Swift files found in '" + readme + "'"},
        {empty, "No Swift files found in '" + empty + "'"},
        {plain,
         "No @Model classes found in '" + plain + "'. Make sure your models use the @Model attribute."},
        {invalid, "Cannot read '" + invalid +
                      "/Bad.swift': it is not UTF-8 text (an invalid byte sequence on line 5)."},
        {folderEntry, "Cannot read '" + folderEntry + "/Models.swift': it is a folder, not a Swift file."},
        {dangling, "Cannot read '" + dangling + "/Gone.swift': No such file or directory."},
        {dir.file("missing"), "Cannot read '" + dir.file("missing") + "': No such file or directory."},
        {dir.file("files/Trip.swift"),
         "Cannot read '" + dir.file("files/Trip.swift") + "': Not a directory."},
    };
    for (const auto& c : cases) {
        const auto schema = parseFolder(c.path);
        ASSERT_FALSE(schema) << c.path;
        EXPECT_EQ(schema.error().description(), c.description) << c.path;
    }
}

TEST(SwiftModelParserFolder, AnUnreadableFileIsAnError) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    TempDir dir;
    writeFolder(dir.path(), {{"Locked.swift", model("Locked")}});
    std::filesystem::permissions(dir.file("Locked.swift"), std::filesystem::perms::none);
    const auto schema = parseFolder(dir.path());
    ASSERT_FALSE(schema);
    EXPECT_EQ(schema.error().description(),
              "Cannot read '" + dir.file("Locked.swift") + "': Permission denied.");
}
