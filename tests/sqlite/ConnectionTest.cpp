#include "sqlite/Connection.h"

#include "sqlite/SerialWorker.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <thread>

using namespace ketterly;
using namespace ketterly::sqlite;
using ketterly::test::TempDir;

class ConnectionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path = dir.file("values.db");
        test::runSql(path, "CREATE TABLE v(i INTEGER, r REAL, t TEXT, b BLOB, n);"
                           "INSERT INTO v VALUES (42, 2.5, 'Stra\xC3\x9F"
                           "e', x'00ff', NULL);"
                           "INSERT INTO v VALUES (7, 0, 'bad \xFF byte', x'', NULL);");
    }
    TempDir dir;
    std::string path;
};

TEST_F(ConnectionTest, ReadsColumnsByIndexNameAndStorageClass) {
    auto db = Connection::open(path, OpenMode::readOnly);
    ASSERT_TRUE(db) << db.error().description();
    auto statement = db->prepare("SELECT i, r, t, b, n FROM v WHERE i = ?1");
    ASSERT_TRUE(statement);
    ASSERT_TRUE(statement->bind(1, 42));
    ASSERT_TRUE(statement->step().value());
    EXPECT_EQ(statement->storageClass(0), StorageClass::integer);
    EXPECT_EQ(statement->storageClass(1), StorageClass::real);
    EXPECT_EQ(statement->storageClass(2), StorageClass::text);
    EXPECT_EQ(statement->storageClass(3), StorageClass::blob);
    EXPECT_EQ(statement->storageClass(4), StorageClass::null);
    EXPECT_EQ(statement->integer(0), 42);
    EXPECT_EQ(statement->real(1), 2.5);
    EXPECT_EQ(statement->text("t"), "Stra\xC3\x9F"
                                    "e");
    EXPECT_EQ(statement->blob(3), (std::vector<unsigned char>{0x00, 0xFF}));
    EXPECT_EQ(statement->text("n"), std::nullopt);
    EXPECT_EQ(statement->text("missing"), std::nullopt);
    EXPECT_EQ(statement->integer("i"), 42);
    EXPECT_FALSE(statement->step().value());

    auto bad = db->prepare("SELECT t FROM v WHERE i = 7");
    ASSERT_TRUE(bad->step().value());
    EXPECT_EQ(bad->text(0), "bad \xEF\xBF\xBD byte"); // invalid UTF-8 read with U+FFFD
}

TEST_F(ConnectionTest, ErrorsCarryResultCodeAndMessage) {
    auto db = Connection::open(path, OpenMode::readOnly);
    auto missing = db->prepare("SELECT * FROM nowhere");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().code, SQLITE_ERROR);
    EXPECT_EQ(missing.error().description(), "SQLite error 1: no such table: nowhere");

    auto write = db->execute("INSERT INTO v VALUES (1, 1, 1, 1, 1)");
    ASSERT_FALSE(write);
    EXPECT_EQ(write.error().code, SQLITE_READONLY);
}

TEST_F(ConnectionTest, OpeningChecksThatTheFileIsADatabase) {
    test::writeFile(dir.file("notes.db"), "just some text, long enough to look like something\n");
    auto notDatabase = Connection::open(dir.file("notes.db"), OpenMode::readOnly);
    ASSERT_FALSE(notDatabase);
    EXPECT_EQ(notDatabase.error().code, SQLITE_NOTADB);

    EXPECT_FALSE(Connection::open(dir.file("absent.db"), OpenMode::readOnly));
    EXPECT_FALSE(test::fileExists(dir.file("absent.db")));
}

TEST_F(ConnectionTest, OpensAnImmutableUri) {
    const std::string uri = "file:" + path + "?immutable=1";
    auto asUri = Connection::open(uri, OpenMode::readOnly, NameKind::uri);
    ASSERT_TRUE(asUri) << asUri.error().description();
    EXPECT_TRUE(asUri->prepare("SELECT count(*) FROM v"));
}

TEST(QuoteIdentifier, DoublesInnerQuotes) {
    EXPECT_EQ(quoteIdentifier("order"), "\"order\"");
    EXPECT_EQ(quoteIdentifier("we\"ird"), "\"we\"\"ird\"");
}

TEST(SerialWorker, RunsJobsInOrderOffTheCallingThread) {
    std::vector<int> order;
    std::thread::id jobThread;
    {
        SerialWorker worker;
        auto first = worker.submit([&] {
            jobThread = std::this_thread::get_id();
            order.push_back(1);
            return 10;
        });
        std::promise<int> handed;
        worker.run(
            [&] {
                order.push_back(2);
                return 20;
            },
            [&](int value) { handed.set_value(value); });
        auto third = worker.submit([&] {
            order.push_back(3);
            return std::string("done");
        });
        EXPECT_EQ(first.get(), 10);
        EXPECT_EQ(handed.get_future().get(), 20);
        EXPECT_EQ(third.get(), "done");
    }
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_NE(jobThread, std::this_thread::get_id());
}
