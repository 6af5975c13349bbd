#include "support/TestDatabase.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <filesystem>
#include <gtest/gtest.h>

using ketterly::test::TempDir;
namespace test = ketterly::test;

namespace {

struct ProcessRun {
    int status = -1;
    std::string out, err;
};

// Runs the real program, as a script would.
ProcessRun runKetterly(const QStringList& arguments, const QString& workingDirectory = {}) {
    QProcess process;
    process.setProgram(KETTERLY_BINARY);
    process.setWorkingDirectory(workingDirectory);
    process.setArguments(arguments);
    process.start();
    process.waitForFinished(30000);
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

TEST(CommandLine, JsonPrintsTheDocumentWithKeysInOrder) {
    TempDir dir;
    const std::string path = dir.file("tiny.db");
    test::runSql(path,
                 "CREATE TABLE customers(id INTEGER PRIMARY KEY, name TEXT NOT NULL DEFAULT 'n\"x');"
                 "CREATE TABLE orders(id INTEGER PRIMARY KEY, customer_id INT REFERENCES customers(id));"
                 "CREATE INDEX idx_orders_customer ON orders(customer_id);");
    const ProcessRun run = runKetterly({"--json", "--seed", "7", q(path)});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, R"({
  "fileName": "tiny.db",
  "sourceType": "database",
  "direction": "topToBottom",
  "tables": [
    {
      "name": "customers",
      "color": "green",
      "position": [100, 372],
      "size": [180, 92],
      "primaryKeyColumns": ["id"],
      "columns": [
        {
          "name": "id",
          "type": "INTEGER",
          "isNotNull": false,
          "defaultValue": null,
          "isPrimaryKey": true,
          "primaryKeyIndex": 0
        },
        {
          "name": "name",
          "type": "TEXT",
          "isNotNull": true,
          "defaultValue": "'n\"x'",
          "isPrimaryKey": false,
          "primaryKeyIndex": null
        }
      ],
      "foreignKeys": [],
      "indexes": []
    },
    {
      "name": "orders",
      "color": "pink",
      "position": [100, 100],
      "size": [188, 92],
      "primaryKeyColumns": ["id"],
      "columns": [
        {
          "name": "id",
          "type": "INTEGER",
          "isNotNull": false,
          "defaultValue": null,
          "isPrimaryKey": true,
          "primaryKeyIndex": 0
        },
        {
          "name": "customer_id",
          "type": "INT",
          "isNotNull": false,
          "defaultValue": null,
          "isPrimaryKey": false,
          "primaryKeyIndex": null
        }
      ],
      "foreignKeys": [
        {
          "id": "orders.customer_id->customers.id",
          "fromTable": "orders",
          "fromColumn": "customer_id",
          "toTable": "customers",
          "toColumn": "id",
          "onDelete": "NO ACTION",
          "onUpdate": "NO ACTION"
        }
      ],
      "indexes": [
        {
          "name": "idx_orders_customer",
          "columns": ["customer_id"],
          "isUnique": false
        }
      ]
    }
  ],
  "relationships": ["orders.customer_id->customers.id"],
  "routedEdges": [
    {
      "id": "orders.customer_id->customers.id",
      "waypoints": [
        [100, 146],
        [100, 326]
      ],
      "cornerRadius": 8
    }
  ]
}
)");
}

TEST(CommandLine, ExitStatusesAndMessages) {
    TempDir dir;
    test::writeFile(dir.file("notes.db"), std::string(120, 't') + " not a database");
    const std::string usage = "Usage: ketterly [PATH]";
    struct Case {
        QStringList arguments;
        int status;
        std::string errStart; // standard error begins with this
        std::string errHas;   // and contains this
    };
    const Case cases[] = {
        {{"--help"}, 0, "", ""},
        {{"--version"}, 0, "", ""},
        {{"--json"}, 2, "ketterly: a PATH to read is missing", usage},
        {{"--json", "--bogus", "x.db"}, 2, "ketterly: unknown option --bogus", usage},
        {{"--json", "--direction", "sideways", "x.db"}, 2, "ketterly: --direction", usage},
        {{"--json", "--seed", "-1", "x.db"}, 2, "ketterly: --seed", usage},
        {{"--json", "--seed", "18446744073709551616", "x.db"}, 2, "ketterly: --seed", usage},
        {{"--json", "--appearance", "dark", "x.db"}, 2, "ketterly: --appearance", usage},
        {{"--json", "a.db", "b.db"}, 2, "ketterly: one PATH at most", usage},
        {{"--export", "out.gif", "x.db"}, 2, "ketterly: unknown export format '.gif'", usage},
        {{"--export", "out.png", "x.db"}, 2, "ketterly: --export is not available yet", ""},
        {{"--json", q(dir.file("missing.db"))},
         1,
         "Cannot copy '" + dir.file("missing.db") + "': No such file",
         ""},
        {{"--json", q(dir.file("notes.db"))},
         1,
         "Cannot open database at '",
         "/notes.db'. The database may be"},
        {{"--json", "--direction=left-to-right", "--seed=18446744073709551615", q(dir.file("missing.db"))},
         1,
         "Cannot copy",
         ""},
    };
    for (const auto& c : cases) {
        const ProcessRun run = runKetterly(c.arguments);
        const std::string label = c.arguments.join(' ').toStdString();
        EXPECT_EQ(run.status, c.status) << label << "\n" << run.err;
        EXPECT_TRUE(run.err.starts_with(c.errStart)) << label << "\n" << run.err;
        EXPECT_NE(run.err.find(c.errHas), std::string::npos) << label << "\n" << run.err;
        if (c.status != 0) {
            EXPECT_EQ(run.out, "") << label;
        }
    }
    EXPECT_NE(runKetterly({"--help"}).out.find("--json"), std::string::npos);
    EXPECT_TRUE(runKetterly({"--version"}).out.starts_with("ketterly "));
}

TEST(CommandLine, TheSameSeedGivesTheSameLayout) {
    // Enough crossings that the shuffled attempts run and decide the result.
    TempDir dir;
    std::string sql;
    for (int i = 0; i < 12; ++i)
        sql += "CREATE TABLE top" + std::to_string(i) + "(id INTEGER PRIMARY KEY, a INT REFERENCES bottom" +
               std::to_string((i * 5) % 12) + "(id), b INT REFERENCES bottom" +
               std::to_string((i * 7 + 3) % 12) + "(id));";
    for (int i = 0; i < 12; ++i)
        sql += "CREATE TABLE bottom" + std::to_string(i) + "(id INTEGER PRIMARY KEY);";
    test::runSql(dir.file("tangle.db"), sql);
    const ProcessRun first = runKetterly({"--json", "--seed", "42", q(dir.file("tangle.db"))});
    const ProcessRun second = runKetterly({"--json", "--seed", "42", q(dir.file("tangle.db"))});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, second.out);
}

TEST(CommandLine, JsonFollowsTheDirectionOption) {
    TempDir dir;
    test::runSql(dir.file("a.db"), "CREATE TABLE t(x);");
    const ProcessRun run = runKetterly({"--json", "--direction", "left-to-right", q(dir.file("a.db"))});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\"direction\": \"leftToRight\""), std::string::npos);
}

TEST(CommandLine, AFolderOpensAsAModelsFolder) {
    TempDir dir;
    const std::string folder = dir.file("Planner");
    std::filesystem::create_directories(folder);
    test::writeFile(folder + "/Trip.swift", "@Model\n"
                                            "final class Trip {\n"
                                            "    var name: String\n"
                                            "    @Relationship(deleteRule: .cascade) var stops: [Stop] = []\n"
                                            "}\n");
    test::writeFile(folder + "/Stop.swift", "@Model final class Stop {\n"
                                            "    var city: String?\n"
                                            "}\n");
    const ProcessRun run = runKetterly({"--json", "--seed", "7", q(folder + "/")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, R"({
  "fileName": "Planner",
  "sourceType": "modelsFolder",
  "direction": "topToBottom",
  "tables": [
    {
      "name": "Stop",
      "color": "green",
      "position": [100, 383],
      "size": [180, 92],
      "primaryKeyColumns": ["id"],
      "columns": [
        {
          "name": "id",
          "type": "UUID",
          "isNotNull": true,
          "defaultValue": null,
          "isPrimaryKey": true,
          "primaryKeyIndex": null
        },
        {
          "name": "city",
          "type": "String",
          "isNotNull": false,
          "defaultValue": null,
          "isPrimaryKey": false,
          "primaryKeyIndex": null
        }
      ],
      "foreignKeys": [],
      "indexes": []
    },
    {
      "name": "Trip",
      "color": "green",
      "position": [100, 100],
      "size": [180, 114],
      "primaryKeyColumns": ["id"],
      "columns": [
        {
          "name": "id",
          "type": "UUID",
          "isNotNull": true,
          "defaultValue": null,
          "isPrimaryKey": true,
          "primaryKeyIndex": null
        },
        {
          "name": "name",
          "type": "String",
          "isNotNull": true,
          "defaultValue": null,
          "isPrimaryKey": false,
          "primaryKeyIndex": null
        },
        {
          "name": "stops",
          "type": "[Stop]",
          "isNotNull": true,
          "defaultValue": null,
          "isPrimaryKey": false,
          "primaryKeyIndex": null
        }
      ],
      "foreignKeys": [
        {
          "id": "Trip.stops->Stop.id",
          "fromTable": "Trip",
          "fromColumn": "stops",
          "toTable": "Stop",
          "toColumn": "id",
          "onDelete": "NO ACTION",
          "onUpdate": "NO ACTION"
        }
      ],
      "indexes": []
    }
  ],
  "relationships": ["Trip.stops->Stop.id"],
  "routedEdges": [
    {
      "id": "Trip.stops->Stop.id",
      "waypoints": [
        [100, 157],
        [100, 337]
      ],
      "cornerRadius": 8
    }
  ]
}
)");

    // A folder without Swift files (its subfolder's do not count) fails with the folder's
    // absolute path, also when it was given relative to the working directory.
    const std::string absolute = std::filesystem::canonical(dir.path()).string();
    for (const QString& path : {q(dir.path()), QString("."), QString("Planner/..")}) {
        const ProcessRun empty = runKetterly({"--json", path}, q(dir.path()));
        EXPECT_EQ(empty.status, 1) << path.toStdString();
        EXPECT_EQ(empty.out, "");
        EXPECT_EQ(empty.err, "No Swift files found in '" + absolute + "'\n") << path.toStdString();
    }
}

TEST(CommandLine, TheSampleModelsFolderOpens) {
    const ProcessRun run =
        runKetterly({"--json", "--direction", "left-to-right", KETTERLY_SAMPLES "/models"});
    ASSERT_EQ(run.status, 0) << run.err;
    const QJsonObject document = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
    EXPECT_EQ(document["fileName"].toString(), "models");
    EXPECT_EQ(document["sourceType"].toString(), "modelsFolder");
    EXPECT_EQ(document["direction"].toString(), "leftToRight");
    EXPECT_EQ(document["tables"].toArray().size(), 7);
    EXPECT_EQ(document["relationships"].toArray().size(), 13);
    EXPECT_EQ(document["routedEdges"].toArray().size(), 13);
}
