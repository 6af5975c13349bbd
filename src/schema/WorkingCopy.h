#pragma once

// The working copy: the program never opens the user's file as a database, only a copy of it
// (with its -shm, -wal and -journal companions) in a private temporary directory.

#include "model/Expected.h"

#include <string>

namespace ketterly {

struct FileError {
    std::string path;
    std::string reason;
    std::string description() const;
};

// Copies one file with the kernel's copy (a clone where the filesystem can), replacing `to`.
Expected<bool, FileError> copyFile(const std::string& from, const std::string& to);

// Copies `source` into `directory` under the same file name, then each companion that exists
// ("-shm", "-wal", "-journal"; failures there are ignored). Returns the copy's path.
Expected<std::string, FileError> copyDatabaseToDirectory(const std::string& source,
                                                         const std::string& directory);

} // namespace ketterly
