#include "schema/SchemaLoader.h"

#include "support/TestDatabase.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace ketterly;
using ketterly::test::TempDir;

namespace {

class SchemaLoaderTest : public ::testing::Test {
  protected:
    Expected<DatabaseSchema, LoadError> load(const std::string& sql, const std::string& name = "test.db") {
        const std::string path = dir.file(name);
        test::runSql(path, sql);
        return SchemaLoader(path, LayoutConfiguration{}).loadSchema();
    }
    DatabaseSchema loadOk(const std::string& sql) {
        auto schema = load(sql);
        EXPECT_TRUE(schema) << schema.error().description();
        return schema ? schema.value() : DatabaseSchema{};
    }
    static const TableSchema& tableNamed(const DatabaseSchema& schema, const std::string& name) {
        for (const auto& table : schema.tables)
            if (table.name == name)
                return table;
        static const TableSchema none;
        ADD_FAILURE() << "no table " << name;
        return none;
    }
    static std::vector<std::string> names(const DatabaseSchema& schema) {
        std::vector<std::string> result;
        for (const auto& table : schema.tables)
            result.push_back(table.name);
        return result;
    }
    TempDir dir;
};

} // namespace

TEST_F(SchemaLoaderTest, EmptyDatabaseGivesAnEmptySchemaNamedAfterTheFile) {
    auto schema = load("PRAGMA user_version = 1;", "empty.sqlite");
    ASSERT_TRUE(schema);
    EXPECT_EQ(schema->fileName, "empty.sqlite");
    EXPECT_TRUE(schema->tables.empty());
    EXPECT_TRUE(schema->relationships.empty());
}

TEST_F(SchemaLoaderTest, ListsTablesByBinaryNameOrderWithoutSqliteLikeNames) {
    const auto schema =
        loadOk("CREATE TABLE beta(x); CREATE TABLE alpha(x); CREATE TABLE Zeta(x);"
               "CREATE TABLE SQLiteBackup(x); CREATE TABLE sqlitex(x); CREATE TABLE Sqlite(x);"
               "CREATE VIEW v AS SELECT * FROM alpha; CREATE INDEX i ON beta(x);"
               "CREATE TRIGGER t AFTER INSERT ON beta BEGIN SELECT 1; END;"
               "CREATE TABLE seq(id INTEGER PRIMARY KEY AUTOINCREMENT);");
    // sqlite_sequence exists now but is internal; "Sqlite" is one character too short for the LIKE.
    EXPECT_EQ(names(schema), (std::vector<std::string>{"Sqlite", "Zeta", "alpha", "beta", "seq"}));
    for (const auto& table : schema.tables)
        EXPECT_EQ(table.id, table.name);
}

TEST_F(SchemaLoaderTest, ReadsColumnsAndPrimaryKeys) {
    const auto schema =
        loadOk("CREATE TABLE single(id INTEGER PRIMARY KEY, name VARCHAR(40) NOT NULL DEFAULT 'none', note);"
               "CREATE TABLE pair(a TEXT, b INT, c REAL DEFAULT (1.5), PRIMARY KEY (b, a));"
               "CREATE TABLE implicit(x DATE, y);"
               "CREATE TABLE named(rowid INTEGER, v);");

    const auto& single = tableNamed(schema, "single");
    EXPECT_EQ(single.primaryKeyColumns, (std::vector<std::string>{"id"}));
    ASSERT_EQ(single.columns.size(), 3u);
    EXPECT_EQ(single.columns[0], (ColumnSchema{"id", "id", "INTEGER", false, std::nullopt, true, 0}));
    EXPECT_EQ(single.columns[1],
              (ColumnSchema{"name", "name", "VARCHAR(40)", true, "'none'", false, std::nullopt}));
    EXPECT_EQ(single.columns[2],
              (ColumnSchema{"note", "note", "", false, std::nullopt, false, std::nullopt}));

    const auto& pair = tableNamed(schema, "pair");
    EXPECT_EQ(pair.primaryKeyColumns, (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(pair.columns[0].primaryKeyIndex, 1);
    EXPECT_EQ(pair.columns[1].primaryKeyIndex, 0);
    EXPECT_FALSE(pair.columns[2].isPrimaryKey);
    EXPECT_EQ(pair.columns[2].defaultValue, "1.5");

    const auto& implicit = tableNamed(schema, "implicit");
    EXPECT_EQ(implicit.primaryKeyColumns, (std::vector<std::string>{"rowid"}));
    for (const auto& column : implicit.columns)
        EXPECT_FALSE(column.isPrimaryKey);

    // Without a declared key, a column that is itself named rowid counts as the key.
    const auto& named = tableNamed(schema, "named");
    EXPECT_TRUE(named.columns[0].isPrimaryKey);
    EXPECT_EQ(named.columns[0].primaryKeyIndex, 0);
}

TEST_F(SchemaLoaderTest, ReadsForeignKeys) {
    const auto schema = loadOk("CREATE TABLE parent(x INT, y INT, PRIMARY KEY (x, y));"
                               "CREATE TABLE keyless(v);"
                               "CREATE TABLE child(a INT, b INT, p INT, k INT, m INT,"
                               "  FOREIGN KEY (a, b) REFERENCES parent(x, y) ON DELETE CASCADE,"
                               "  FOREIGN KEY (p) REFERENCES parent,"
                               "  FOREIGN KEY (k) REFERENCES keyless,"
                               "  FOREIGN KEY (m) REFERENCES missing);");
    const auto& child = tableNamed(schema, "child");
    std::vector<std::string> ids;
    for (const auto& key : child.foreignKeys) {
        ids.push_back(key.id);
        EXPECT_EQ(key.onDelete, ForeignKeyAction::noAction); // actions are not read
        EXPECT_EQ(key.onUpdate, ForeignKeyAction::noAction);
    }
    // SQLite lists keys last declared first; a key naming only its table takes that table's key.
    EXPECT_EQ(ids, (std::vector<std::string>{"child.m->missing.rowid", "child.k->keyless.rowid",
                                             "child.p->parent.x", "child.a->parent.x"}));
    EXPECT_EQ(child.foreignKeys.back(), (ForeignKeyInfo{"child.a->parent.x", "child", "a", "parent", "x"}));
    EXPECT_EQ(schema.relationships, child.foreignKeys);
}

TEST_F(SchemaLoaderTest, ReadsIndexesWithoutExpressionColumns) {
    const auto schema = loadOk("CREATE TABLE t(a, b, c UNIQUE);"
                               "CREATE INDEX t_ab ON t(a, b DESC);"
                               "CREATE UNIQUE INDEX t_expr ON t(lower(a), b);");
    const auto& t = tableNamed(schema, "t");
    ASSERT_EQ(t.indexes.size(), 3u);
    EXPECT_EQ(t.indexes[0], (IndexInfo{"t_expr", "t_expr", {"b"}, true}));
    EXPECT_EQ(t.indexes[1], (IndexInfo{"t_ab", "t_ab", {"a", "b"}, false}));
    EXPECT_EQ(t.indexes[2], (IndexInfo{"sqlite_autoindex_t_1", "sqlite_autoindex_t_1", {"c"}, true}));
}

TEST_F(SchemaLoaderTest, KeepsGeneratedColumnsAndDropsHiddenVirtualColumns) {
    const auto schema = loadOk("CREATE TABLE g(a INT, b INT GENERATED ALWAYS AS (a * 2) VIRTUAL,"
                               "  c INT GENERATED ALWAYS AS (a + 1) STORED);"
                               "CREATE VIRTUAL TABLE docs USING fts5(title, body);");
    const auto& g = tableNamed(schema, "g");
    ASSERT_EQ(g.columns.size(), 3u);
    EXPECT_EQ(g.columns[1].name, "b");
    EXPECT_EQ(g.columns[2].name, "c");
    const auto& docs = tableNamed(schema, "docs");
    ASSERT_EQ(docs.columns.size(), 2u);
    EXPECT_EQ(docs.columns[0].name, "title");
    EXPECT_EQ(docs.columns[1].name, "body");
}

TEST_F(SchemaLoaderTest, OddNamesAreReadAsStored) {
    const auto schema = loadOk("CREATE TABLE \"order\"(\"group\" INTEGER PRIMARY KEY, \"select\" TEXT);"
                               "CREATE TABLE \"we\"\"ird name\"(\"col \"\"q\"\"\" INT REFERENCES \"order\");"
                               "CREATE TABLE \"Bücher\"(\"straße\" TEXT, \"名前\" TEXT);"
                               "CREATE INDEX \"idx \"\"odd\"\"\" ON \"we\"\"ird name\"(\"col \"\"q\"\"\");");
    EXPECT_EQ(names(schema), (std::vector<std::string>{"B\xC3\xBC"
                                                       "cher",
                                                       "order", "we\"ird name"}));
    const auto& weird = tableNamed(schema, "we\"ird name");
    ASSERT_EQ(weird.foreignKeys.size(), 1u);
    EXPECT_EQ(weird.foreignKeys[0].id, "we\"ird name.col \"q\"->order.group");
    EXPECT_EQ(weird.indexes[0].columns, (std::vector<std::string>{"col \"q\""}));
    EXPECT_EQ(tableNamed(schema, "B\xC3\xBC"
                                 "cher")
                  .columns[1]
                  .name,
              "名前");
}

TEST_F(SchemaLoaderTest, InvalidUtf8NamesAreReadWithReplacementCharacters) {
    const auto schema = loadOk("CREATE TABLE \"caf\xE9\"(\"x\xFFy\" INT REFERENCES \"caf\xE9\");"
                               "CREATE INDEX \"i\xE9\" ON \"caf\xE9\"(\"x\xFFy\");");
    ASSERT_EQ(schema.tables.size(), 1u);
    EXPECT_EQ(schema.tables[0].name, "caf\xEF\xBF\xBD");
    ASSERT_EQ(schema.tables[0].columns.size(), 1u);
    EXPECT_EQ(schema.tables[0].columns[0].name, "x\xEF\xBF\xBDy");
    EXPECT_EQ(schema.tables[0].foreignKeys.at(0).id, "caf\xEF\xBF\xBD.x\xEF\xBF\xBDy->caf\xEF\xBF\xBD.rowid");
    EXPECT_EQ(schema.tables[0].indexes.at(0).columns, (std::vector<std::string>{"x\xEF\xBF\xBDy"}));
}

TEST_F(SchemaLoaderTest, FilesThatAreNotDatabasesGiveTheOpenError) {
    const std::string notes = dir.file("notes.db");
    test::writeFile(notes, std::string(200, 'x') + "\nplain text, not a database\n");
    auto schema = SchemaLoader(notes, LayoutConfiguration{}).loadSchema();
    ASSERT_FALSE(schema);
    EXPECT_EQ(
        schema.error().description(),
        "Cannot open database at '" + notes +
            "'. The database may be locked, corrupted, or require WAL files (-shm, -wal) that are missing.");

    // The three attempts never create a file, nor its companions.
    std::filesystem::create_directory(dir.file("folder.db"));
    EXPECT_FALSE(SchemaLoader(dir.file("folder.db"), {}).loadSchema());
}

TEST_F(SchemaLoaderTest, AnEmptyFileIsAnEmptyDatabase) {
    test::writeFile(dir.file("empty.db"), "");
    auto schema = SchemaLoader(dir.file("empty.db"), {}).loadSchema();
    ASSERT_TRUE(schema) << schema.error().description();
    EXPECT_TRUE(schema->tables.empty());
}

TEST_F(SchemaLoaderTest, TruncatedDatabaseEndsInAnErrorOrASchemaNeverACrash) {
    std::string sql = "PRAGMA page_size = 1024;";
    for (int i = 0; i < 60; ++i)
        sql += "CREATE TABLE t" + std::to_string(i) + "(id INTEGER PRIMARY KEY, a TEXT, b TEXT, c TEXT);";
    const std::string path = dir.file("truncated.db");
    test::runSql(path, sql);
    std::filesystem::resize_file(path, 1536);
    auto schema = SchemaLoader(path, {}).loadSchema();
    if (!schema) {
        EXPECT_FALSE(schema.error().description().empty());
    }
}

TEST_F(SchemaLoaderTest, AFailingQueryEndsTheLoadWithTheDatabaseError) {
    const std::string path = dir.file("broken.db");
    test::runSql(path, "CREATE TABLE fine(x);"
                       "PRAGMA writable_schema = ON;"
                       "INSERT INTO sqlite_master VALUES ('table', 'ghost', 'ghost', 0,"
                       "  'CREATE VIRTUAL TABLE ghost USING nosuchmodule(a)');");
    auto schema = SchemaLoader(path, {}).loadSchema();
    ASSERT_FALSE(schema);
    EXPECT_EQ(schema.error().description(), "SQLite error 1: no such module: nosuchmodule");
}

TEST_F(SchemaLoaderTest, OpensWriteAheadLogDatabases) {
    // The header says WAL but the -wal file is gone: the immutable attempt still reads it.
    const std::string path = dir.file("wal.db");
    test::runSql(path, "PRAGMA journal_mode = WAL; CREATE TABLE kept(x);");
    EXPECT_FALSE(test::fileExists(path + "-wal"));
    auto schema = SchemaLoader(path, {}).loadSchema();
    ASSERT_TRUE(schema) << schema.error().description();
    EXPECT_EQ(schema->tables.size(), 1u);
}

TEST_F(SchemaLoaderTest, ReadsTablesThatLiveOnlyInTheWriteAheadLog) {
    const std::string path = dir.file("live.db");
    test::runSql(path, "PRAGMA journal_mode = WAL; CREATE TABLE checkpointed(x);");
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer, "PRAGMA wal_autocheckpoint = 0; CREATE TABLE recent(y);", nullptr, nullptr,
                           nullptr),
              SQLITE_OK);
    // Copy the file and its log while the writer still holds them, as a working copy would.
    const std::string copy = dir.file("copy.db");
    std::filesystem::copy_file(path, copy);
    std::filesystem::copy_file(path + "-wal", copy + "-wal");
    sqlite3_close(writer);

    auto schema = SchemaLoader(copy, {}).loadSchema();
    ASSERT_TRUE(schema) << schema.error().description();
    EXPECT_EQ(names(*schema), (std::vector<std::string>{"checkpointed", "recent"}));
}

TEST(ImmutableUri, PercentEncodesOutsideTheUrlPathSet) {
    EXPECT_EQ(immutableUri("/tmp/x.db"), "file:/tmp/x.db?immutable=1");
    EXPECT_EQ(immutableUri("/a b/c?d#e%f.db"), "file:/a%20b/c%3Fd%23e%25f.db?immutable=1");
    EXPECT_EQ(immutableUri("/d/caf\xC3\xA9:@!$&'()*+,;=~_-.db"),
              "file:/d/caf%C3%A9:@!$&'()*+,;=~_-.db?immutable=1");
}

TEST(TableListStatement, IsExactlyTheFourLines) {
    EXPECT_STREQ(SchemaLoader::tableListStatement,
                 "    SELECT name FROM sqlite_master \n    WHERE type = 'table' \n"
                 "    AND name NOT LIKE 'sqlite_%'\n    ORDER BY name");
}
