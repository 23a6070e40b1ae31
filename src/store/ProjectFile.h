// Project files: the whole working state (device list, each listed device's status record, image,
// extra record and packed settings, the groups and their window positions) plus a companion file
// with the external-filter data.
//
// Two forms share one block sequence:
// - a project file "*.prj" (marker 113; 33 and 113 accepted) is a plain byte stream, and its
//   companion "<project>.ext" starts with the marker 97;
// - the session project "tmpPrj.mgc" (marker 96; 16 accepted) written at exit and restored at
//   start keeps every block in its own fixed record of 32000 bytes, and its companion
//   "tmpExtPrj.mgc" has no marker.
// The session also keeps the devices' bus ids ("tmpBusId.mgc", 25 bytes), so that a device left
// on-line is addressed correctly by the next run before it is identified again.
// Loading decodes into a copy of the state and commits only when the whole file was valid, so a
// truncated or corrupt file changes nothing. Saving is atomic.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <system_error>
#include <vector>

#include "core/AppContext.h"
#include "core/BinaryIO.h"
#include "core/Config.h"
#include "core/Prompter.h"

namespace plenum {

inline constexpr std::int16_t kProjectMarker = 113;
inline constexpr std::int16_t kProjectMarkerOld = 33;
inline constexpr std::int16_t kSessionMarker = 96;
inline constexpr std::int16_t kSessionMarkerOld = 16;
inline constexpr std::int16_t kExtProjectMarker = 97;
inline constexpr std::size_t kSessionRecordSize = 32000;

enum class ProjectLayout { Stream, FixedRecords };
enum class ProjectStatus { Loaded, FileNotFound, WrongMarker, Corrupt };

// The blocks of the sequence, one element per write, in order.
std::vector<Bytes> EncodeProjectBlocks(const AppContext& ctx, std::int16_t marker);
// The blocks laid out as a file of the given layout.
Bytes LayOutProject(const std::vector<Bytes>& blocks, ProjectLayout layout);
// The companion file's bytes (the marker 97 only for a project file).
Bytes EncodeExtFile(const AppContext& ctx, bool withMarker);

// Decodes a main file into ctx; acceptedMarkers lists the markers this form accepts. On any
// status but Loaded, ctx is unchanged.
ProjectStatus DecodeProject(AppContext& ctx, std::span<const std::uint8_t> file, ProjectLayout layout,
                            std::initializer_list<std::int16_t> acceptedMarkers);
bool DecodeExtFile(AppContext& ctx, std::span<const std::uint8_t> file, bool withMarker);

std::filesystem::path CompanionPath(const std::filesystem::path& projectFile);

// Writes a project file and its companion. The error says why a save failed.
std::error_code SaveProject(const AppContext& ctx, const std::filesystem::path& file);
// Loads a project file and its companion; tells " File not found. Try again." or " File wrong "
// and changes nothing on failure. A missing companion leaves the external-filter data cleared.
bool LoadProject(AppContext& ctx, Prompter& prompter, const std::filesystem::path& file);

std::error_code SaveSessionProject(const AppContext& ctx, const AppPaths& paths);

// What restoring the session project did.
struct SessionRestore {
    enum class Status {
        Restored,   // the state now holds the session (a damaged companion may have been set aside)
        NoSession,  // there was no session file: the state is as it was
        SetAside,   // a session file could not be read: the state is as it was and the file (or a
                    // damaged companion) was renamed, so that the next save cannot overwrite it
    };
    Status status = Status::NoSession;
    std::vector<std::filesystem::path> keptAs;  // the new names of the files set aside
    bool restored() const { return status == Status::Restored; }
};

// Restores the session project. A file that exists but cannot be taken whole (another marker, a
// damaged or truncated file, a damaged companion) is never left where the next save would replace
// it: it is renamed to "<name>.bad" (or "<name>.bad.N" when that exists already).
SessionRestore LoadSessionProject(AppContext& ctx, const AppPaths& paths);
// Tells the user which files were set aside, if any, in the chosen language.
void TellSessionProblem(Prompter& prompter, int languageFlag, const SessionRestore& restore);

}  // namespace plenum
