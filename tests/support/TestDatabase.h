#pragma once

// Real SQLite files for tests, in a fresh private directory per fixture.

#include <string>

namespace ketterly::test {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// Creates (or extends) the database at `path` by running `sql`; fails the test on error.
void runSql(const std::string& path, const std::string& sql);

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);

} // namespace ketterly::test
