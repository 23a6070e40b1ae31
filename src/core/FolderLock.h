// One program at a time per data folder: the desktop application and plenumctl both restore and
// save the folder's session project, so a second one on the same folder would overwrite the
// first's work. The lock is an advisory lock on a file in the folder, released when the holder
// ends, however it ends.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace plenum {

class DataFolderLock {
public:
    // Takes the folder's lock; nothing (and `error` says why) when another process holds it or
    // the lock file cannot be opened.
    static std::unique_ptr<DataFolderLock> Acquire(const std::filesystem::path& folder, std::string& error);
    ~DataFolderLock();
    DataFolderLock(const DataFolderLock&) = delete;
    DataFolderLock& operator=(const DataFolderLock&) = delete;

private:
    explicit DataFolderLock(int fd) : fd_(fd) {}
    int fd_;
};

}  // namespace plenum
