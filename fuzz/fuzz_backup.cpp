// Backup files from arbitrary bytes: never crash; a file that reads is written back to the same
// bytes after one more round (the reader keeps nothing it could not write).
#include <cstdlib>

#include "store/BackupFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace plenum;
    const BackupReadResult read = DecodeBackup(std::span<const std::uint8_t>(data, size));
    if (!read.file) {
        if (read.error == BackupReadError::None) std::abort();
        return 0;
    }
    const Bytes once = EncodeBackup(*read.file);
    const BackupReadResult again = DecodeBackup(once);
    if (!again.file || EncodeBackup(*again.file) != once) std::abort();
    return 0;
}
