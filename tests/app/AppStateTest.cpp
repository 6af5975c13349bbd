#include "app/AppState.h"

#include "support/TestDatabase.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

using namespace ketterly;
using ketterly::test::TempDir;

namespace {

class AppStateTest : public ::testing::Test {
  protected:
    // Opens `path` and waits for the open to end; returns whether it succeeded.
    bool open(const std::string& path) {
        QSignalSpy finished(&state, &AppState::openFinished);
        state.openDatabase(QString::fromStdString(path));
        EXPECT_TRUE(state.isLoading());
        EXPECT_TRUE(finished.wait(10000));
        EXPECT_FALSE(state.isLoading());
        return !finished.isEmpty() && finished.first().first().toBool();
    }
    std::string shop() {
        const std::string path = dir.file("shop.db");
        test::runSql(path,
                     "CREATE TABLE orders(id INTEGER PRIMARY KEY, customer_id INT REFERENCES customers(id));"
                     "CREATE TABLE customers(id INTEGER PRIMARY KEY, name TEXT);"
                     "CREATE TABLE products(id INTEGER PRIMARY KEY);");
        return path;
    }
    TempDir dir;
    AppState state;
};

} // namespace

TEST_F(AppStateTest, StartsEmpty) {
    EXPECT_FALSE(state.schema());
    EXPECT_FALSE(state.selectedTable());
    EXPECT_FALSE(state.databaseURL());
    EXPECT_EQ(state.zoomLevel(), 1.0);
    EXPECT_EQ(state.panOffset(), Size{});
    EXPECT_EQ(state.viewMode(), ViewMode::erd);
    EXPECT_EQ(state.layoutDirection(), LayoutDirection::topToBottom);
    EXPECT_EQ(state.sourceType(), SourceType::database);
}

TEST_F(AppStateTest, OpeningSelectsTheFirstTableAndResetsTheView) {
    state.setZoomLevel(2.5);
    state.setPanOffset({30, -20});
    state.setViewMode(ViewMode::data);
    state.updateTablePosition("old", 1, 2);
    ASSERT_TRUE(open(shop()));

    ASSERT_TRUE(state.schema());
    EXPECT_EQ(state.schema()->fileName, "shop.db");
    EXPECT_EQ(state.schema()->tables.size(), 3u);
    ASSERT_TRUE(state.selectedTable());
    EXPECT_EQ(state.selectedTable()->name, "customers");
    EXPECT_EQ(state.zoomLevel(), 1.0);
    EXPECT_EQ(state.panOffset(), Size{});
    EXPECT_EQ(state.viewMode(), ViewMode::erd);
    EXPECT_TRUE(state.tablePositions().empty());
    EXPECT_FALSE(state.errorMessage());
    EXPECT_EQ(state.securityScopedURL(), dir.file("shop.db"));

    // The working copy lives in this run's private directory, under the same file name.
    ASSERT_TRUE(state.databaseURL());
    const QString copy = QString::fromStdString(*state.databaseURL());
    EXPECT_TRUE(copy.startsWith(state.temporaryDirectory() + "/"));
    EXPECT_EQ(QFileInfo(copy).fileName(), "shop.db");
    struct stat info {};
    ASSERT_EQ(stat(state.temporaryDirectory().toLocal8Bit().constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(AppStateTest, OpeningADatabaseWithoutTablesSelectsNothing) {
    const std::string path = dir.file("none.db");
    test::runSql(path, "PRAGMA user_version = 3;");
    ASSERT_TRUE(open(path));
    EXPECT_TRUE(state.schema()->tables.empty());
    EXPECT_FALSE(state.selectedTable());
}

TEST_F(AppStateTest, AFailedOpenKeepsTheDocumentSelectionZoomAndPan) {
    ASSERT_TRUE(open(shop()));
    const auto schema = state.schema();
    const auto copy = state.databaseURL();
    state.setSelectedTable(state.schema()->tables[2]);
    state.setZoomLevel(1.75);
    state.setPanOffset({12, 34});

    // A broken file with the same name as the open document must not replace its working copy.
    TempDir other;
    test::writeFile(other.file("shop.db"), std::string(300, 'n') + " notes, not a database");
    QSignalSpy schemaChanges(&state, &AppState::schemaChanged);
    ASSERT_FALSE(open(other.file("shop.db")));

    ASSERT_TRUE(state.errorMessage());
    const std::string& message = *state.errorMessage();
    EXPECT_TRUE(
        message.starts_with("Cannot open database at '" + state.temporaryDirectory().toStdString() + "/"))
        << message;
    EXPECT_TRUE(
        message.ends_with("/shop.db'. The database may be locked, corrupted, or require WAL files (-shm, "
                          "-wal) that are missing."))
        << message;
    EXPECT_EQ(state.schema(), schema);
    EXPECT_EQ(state.databaseURL(), copy);
    EXPECT_EQ(state.selectedTable()->name, "products");
    EXPECT_EQ(state.zoomLevel(), 1.75);
    EXPECT_EQ(state.panOffset(), (Size{12, 34}));
    EXPECT_TRUE(schemaChanges.isEmpty());
    EXPECT_TRUE(test::fileExists(*copy)); // the data browser still reads it

    ASSERT_FALSE(open(dir.file("missing.db")));
    EXPECT_EQ(state.errorMessage(),
              "Cannot copy '" + dir.file("missing.db") + "': No such file or directory.");
    EXPECT_EQ(state.schema(), schema);
}

TEST_F(AppStateTest, SettersSignalOnlyRealChanges) {
    QSignalSpy zoom(&state, &AppState::zoomLevelChanged);
    QSignalSpy pan(&state, &AppState::panOffsetChanged);
    QSignalSpy positions(&state, &AppState::tablePositionsChanged);
    QSignalSpy panel(&state, &AppState::showOpenPanelChanged);
    state.setZoomLevel(1.0);
    state.setPanOffset({});
    state.setShowOpenPanel(false);
    EXPECT_EQ(zoom.count() + pan.count() + panel.count(), 0);
    state.setZoomLevel(2.0);
    state.setZoomLevel(2.0);
    state.setShowOpenPanel(true);
    EXPECT_EQ(zoom.count(), 1);
    EXPECT_EQ(panel.count(), 1);

    state.updateTablePosition("orders", 10, 20);
    state.updateTablePosition("orders", 10, 20);
    state.updateTablePosition("orders", 11, 20);
    EXPECT_EQ(positions.count(), 2);
    EXPECT_EQ(state.tablePositions().at("orders"), (Point{11, 20}));
}

TEST_F(AppStateTest, ALaterOpenSupersedesOneStillRunning) {
    const std::string first = shop();
    const std::string second = dir.file("second.db");
    test::runSql(second, "CREATE TABLE only_table(x);");
    QSignalSpy finished(&state, &AppState::openFinished);
    state.openDatabase(QString::fromStdString(first));
    state.openDatabase(QString::fromStdString(second));
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_FALSE(state.isLoading());
    EXPECT_EQ(state.schema()->fileName, "second.db");
}

TEST_F(AppStateTest, CopiesCompanionsAndSkipsMissingOnes) {
    const std::string path = dir.file("data.db");
    test::runSql(path, "CREATE TABLE t(x);");
    test::writeFile(path + "-shm", "");
    test::writeFile(path + "-wal", "");
    ASSERT_TRUE(open(path));
    const std::string copy = *state.databaseURL();
    EXPECT_TRUE(test::fileExists(copy + "-wal"));
    EXPECT_FALSE(test::fileExists(copy + "-journal"));
}

// The user's file is never written: same bytes, same modification time, no new companions.
TEST_F(AppStateTest, NeverTouchesTheUsersFiles) {
    namespace fs = std::filesystem;
    const std::string plain = dir.file("plain.db");
    test::runSql(plain, "CREATE TABLE a(x); INSERT INTO a VALUES (1);");
    const std::string wal = dir.file("wal.db");
    test::runSql(wal, "PRAGMA journal_mode = WAL; CREATE TABLE b(y);");
    const std::string live = dir.file("live.db");
    test::runSql(live, "PRAGMA journal_mode = WAL; CREATE TABLE c(z);");

    // Another program holds live.db open with uncommitted-to-main changes in its log.
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(live.c_str(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer,
                           "PRAGMA wal_autocheckpoint = 0; CREATE TABLE d(w); INSERT INTO d VALUES (1);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);

    struct Snapshot {
        std::string bytes;
        fs::file_time_type modified;
        std::vector<std::string> entries;
    };
    const auto snapshot = [&](const std::string& path) {
        std::vector<std::string> entries;
        for (const auto& entry : fs::directory_iterator(dir.path()))
            entries.push_back(entry.path().filename().string());
        std::sort(entries.begin(), entries.end());
        return Snapshot{test::readFile(path), fs::last_write_time(path), entries};
    };
    for (const std::string& path : {plain, wal, live}) {
        const Snapshot before = snapshot(path);
        const std::string walBytes = test::fileExists(path + "-wal") ? test::readFile(path + "-wal") : "";
        ASSERT_TRUE(open(path)) << *state.errorMessage();
        const Snapshot after = snapshot(path);
        EXPECT_EQ(after.bytes, before.bytes) << path;
        EXPECT_EQ(after.modified, before.modified) << path;
        EXPECT_EQ(after.entries, before.entries) << path;
        if (test::fileExists(path + "-wal")) {
            EXPECT_EQ(test::readFile(path + "-wal"), walBytes);
        }
    }
    // The open application's newest table is in the diagram although only its log has it.
    ASSERT_EQ(state.schema()->tables.size(), 2u);
    EXPECT_EQ(state.schema()->tables[1].name, "d");
    sqlite3_close(writer);
}

TEST_F(AppStateTest, RelayoutForgetsDraggedPositionsAndKeepsTheView) {
    QSignalSpy schemaChanges(&state, &AppState::schemaChanged);
    state.relayout(); // nothing loaded: nothing happens
    EXPECT_FALSE(state.schema());
    EXPECT_TRUE(schemaChanges.isEmpty());

    state.setLayoutSeed(11);
    ASSERT_TRUE(open(shop()));
    const auto selected = state.selectedTable();
    const Point before = state.schema()->tables[0].position;
    state.updateTablePosition("customers", 900, 900);
    state.setZoomLevel(0.5);
    state.setPanOffset({40, 50});

    state.setLayoutDirection(LayoutDirection::leftToRight);
    state.relayout();
    EXPECT_TRUE(state.tablePositions().empty());
    EXPECT_EQ(state.zoomLevel(), 0.5);
    EXPECT_EQ(state.panOffset(), (Size{40, 50}));
    EXPECT_EQ(state.selectedTable(), selected);
    // orders references customers: left to right, customers now lies to the right of orders.
    const auto& tables = state.schema()->tables;
    EXPECT_NE(tables[0].position, before);
    EXPECT_GT(tables[0].position.x, tables[1].position.x);
    EXPECT_EQ(tables[0].position.y, 165); // centred on the first column: orders and products, 222 high
    ASSERT_EQ(state.routedEdges().size(), 1u);
    const auto& waypoints = state.routedEdges()[0].waypoints;
    EXPECT_EQ(waypoints.front().x, tables[1].position.x + 94); // leaves the right side of orders, 188 wide
}

TEST_F(AppStateTest, RoutesEveryRelationshipWhoseTablesExist) {
    const std::string path = dir.file("partial.db");
    test::runSql(
        path, "CREATE TABLE a(id INTEGER PRIMARY KEY, b_id INT REFERENCES b(id), gone INT REFERENCES ghost);"
              "CREATE TABLE b(id INTEGER PRIMARY KEY, parent INT REFERENCES b(id));");
    ASSERT_TRUE(open(path));
    ASSERT_EQ(state.schema()->relationships.size(), 3u);
    ASSERT_EQ(state.routedEdges().size(), 2u);              // the key to the missing table has no edge
    EXPECT_EQ(state.routedEdges()[1].waypoints.size(), 8u); // b's self reference loop
    for (const auto& edge : state.routedEdges())
        EXPECT_EQ(edge.cornerRadius, 8);
}

namespace {

// Two models that refer to each other, written as they usually are.
void writeTripFolder(const std::string& folder) {
    std::filesystem::create_directories(folder);
    test::writeFile(folder + "/Trip.swift", "@Model\n"
                                            "final class Trip {\n"
                                            "    var name: String\n"
                                            "    @Relationship(deleteRule: .cascade) var items: [Item] = []\n"
                                            "}\n");
    test::writeFile(folder + "/Item.swift", "@Model\n"
                                            "final class Item {\n"
                                            "    var title: String\n"
                                            "    var trip: Trip?\n"
                                            "}\n");
}

bool openFolder(AppState& state, const std::string& path) {
    QSignalSpy finished(&state, &AppState::openFinished);
    state.openModelsFolder(QString::fromStdString(path));
    EXPECT_TRUE(state.isLoading()); // the parse runs off the UI thread
    EXPECT_TRUE(finished.wait(10000));
    EXPECT_FALSE(state.isLoading());
    return !finished.isEmpty() && finished.first().first().toBool();
}

} // namespace

TEST_F(AppStateTest, OpeningAModelsFolderReplacesTheDatabaseDocument) {
    const std::string db = shop();
    ASSERT_TRUE(open(db));
    const std::string copy = *state.databaseURL();
    state.setZoomLevel(3);
    state.setPanOffset({5, 6});
    state.setViewMode(ViewMode::data);
    state.updateTablePosition("orders", 1, 2);

    const std::string folder = dir.file("Planner");
    writeTripFolder(folder);
    state.setLayoutSeed(3);
    ASSERT_TRUE(openFolder(state, folder)) << state.errorMessage().value_or("");

    EXPECT_FALSE(state.databaseURL()); // nothing for the data browser to read
    EXPECT_FALSE(test::fileExists(copy));
    EXPECT_EQ(state.sourceType(), SourceType::modelsFolder);
    EXPECT_EQ(state.securityScopedURL(), folder);
    ASSERT_TRUE(state.schema());
    EXPECT_EQ(state.schema()->fileName, "Planner");
    ASSERT_EQ(state.schema()->tables.size(), 2u);
    EXPECT_EQ(state.schema()->tables[0].name, "Item"); // files in name order
    EXPECT_EQ(state.selectedTable(), state.schema()->tables[0]);
    EXPECT_TRUE(state.tablePositions().empty());
    EXPECT_EQ(state.viewMode(), ViewMode::erd);
    EXPECT_EQ(state.zoomLevel(), 1.0);
    EXPECT_EQ(state.panOffset(), Size{});
    EXPECT_EQ(state.schema()->relationships.size(), 2u);
    EXPECT_EQ(state.routedEdges().size(), 2u);
    EXPECT_NE(state.schema()->tables[0].position, state.schema()->tables[1].position);

    // Reopening a database afterwards brings the database document back.
    ASSERT_TRUE(open(db));
    EXPECT_EQ(state.sourceType(), SourceType::database);
    EXPECT_TRUE(state.databaseURL());
}

TEST_F(AppStateTest, AFailedFolderOpenKeepsTheDatabaseDiagram) {
    ASSERT_TRUE(open(shop()));
    const auto schema = state.schema();
    const auto copy = state.databaseURL();
    state.setSelectedTable(state.schema()->tables[1]);
    state.setZoomLevel(2);

    const std::string folder = dir.file("docs");
    std::filesystem::create_directories(folder + "/Sources");
    test::writeFile(folder + "/README.md", "@Model final class Readme {}\n");
    test::writeFile(folder + "/Sources/Trip.swift", "@Model\nfinal class Trip {\n}\n");
    QSignalSpy schemaChanges(&state, &AppState::schemaChanged);
    ASSERT_FALSE(openFolder(state, folder + "/"));

    EXPECT_EQ(state.errorMessage(), "No Swift files found in '" + folder + "'");
    EXPECT_TRUE(schemaChanges.isEmpty());
    EXPECT_EQ(state.schema(), schema);
    EXPECT_EQ(state.databaseURL(), copy);
    EXPECT_TRUE(test::fileExists(*copy));
    EXPECT_EQ(state.sourceType(), SourceType::database);
    EXPECT_EQ(state.selectedTable()->name, "orders");
    EXPECT_EQ(state.zoomLevel(), 2);
}

TEST_F(AppStateTest, TheLastOpenWinsWhateverItOpens) {
    const std::string db = shop();
    const std::string folder = dir.file("Planner");
    writeTripFolder(folder);

    QSignalSpy finished(&state, &AppState::openFinished);
    state.openDatabase(QString::fromStdString(db));
    state.openModelsFolder(QString::fromStdString(folder));
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(state.sourceType(), SourceType::modelsFolder);
    EXPECT_FALSE(state.databaseURL());

    finished.clear();
    state.openModelsFolder(QString::fromStdString(folder));
    state.openDatabase(QString::fromStdString(db));
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(state.sourceType(), SourceType::database);
    EXPECT_EQ(state.schema()->fileName, "shop.db");
}
