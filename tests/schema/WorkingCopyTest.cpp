#include "schema/WorkingCopy.h"

#include "support/TestDatabase.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace ketterly;
using ketterly::test::TempDir;

TEST(WorkingCopy, CopiesTheFileAndTheCompanionsThatExist) {
    TempDir source, target;
    const std::string db = source.file("data.db");
    test::writeFile(db, "main bytes");
    test::writeFile(db + "-wal", "log bytes");
    test::writeFile(db + "-shm", "shared memory");
    test::writeFile(target.file("data.db-journal"), "left from an earlier copy");

    auto copy = copyDatabaseToDirectory(db, target.path());
    ASSERT_TRUE(copy) << copy.error().description();
    EXPECT_EQ(copy.value(), target.file("data.db"));
    EXPECT_EQ(test::readFile(copy.value()), "main bytes");
    EXPECT_EQ(test::readFile(copy.value() + "-wal"), "log bytes");
    EXPECT_EQ(test::readFile(copy.value() + "-shm"), "shared memory");
    // No -journal beside the source: nothing is copied and the old one is left alone.
    EXPECT_EQ(test::readFile(copy.value() + "-journal"), "left from an earlier copy");
}

TEST(WorkingCopy, ReplacesAnEarlierCopyAndCopiesLargeFilesWhole) {
    TempDir source, target;
    std::string big(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 31 + 7);
    test::writeFile(source.file("big.db"), big);
    test::writeFile(target.file("big.db"), "stale");
    ASSERT_TRUE(copyDatabaseToDirectory(source.file("big.db"), target.path()));
    EXPECT_EQ(test::readFile(target.file("big.db")), big);
}

TEST(WorkingCopy, FailuresNameThePathAndTheReason) {
    TempDir source, target;
    struct Case {
        std::string path;
        std::string description;
    };
    std::filesystem::create_directory(source.file("folder.db"));
    const Case cases[] = {
        {source.file("missing.db"),
         "Cannot copy '" + source.file("missing.db") + "': No such file or directory."},
        {source.file("folder.db"), "Cannot copy '" + source.file("folder.db") + "': Is a directory."},
    };
    for (const auto& c : cases) {
        auto copy = copyDatabaseToDirectory(c.path, target.path());
        ASSERT_FALSE(copy);
        EXPECT_EQ(copy.error().description(), c.description);
    }
}

TEST(WorkingCopy, UnreadableFileIsAnError) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    TempDir source, target;
    test::writeFile(source.file("secret.db"), "bytes");
    std::filesystem::permissions(source.file("secret.db"), std::filesystem::perms::none);
    auto copy = copyDatabaseToDirectory(source.file("secret.db"), target.path());
    ASSERT_FALSE(copy);
    EXPECT_EQ(copy.error().reason, "Permission denied");
}
