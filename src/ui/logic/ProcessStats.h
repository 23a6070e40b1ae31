// Figures about this process for the start-up measurements.
#pragma once

#include <sys/resource.h>

#include <cstdio>

namespace plenum::ui {

// Peak resident memory in KiB. VmHWM is this program's own high-water mark; getrusage's
// ru_maxrss would also carry the peak of the process that started it (Linux keeps it across fork
// and exec), which misleads when a large parent such as a benchmark launches the program.
inline long PeakRssKiB() {
    if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        long kib = -1;
        while (std::fgets(line, sizeof line, status))
            if (std::sscanf(line, "VmHWM: %ld kB", &kib) == 1) break;
        std::fclose(status);
        if (kib >= 0) return kib;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace plenum::ui
