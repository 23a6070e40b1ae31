// The data folder and the small configuration files kept in it: the language choice
// ("Language.ini", section [Lang], key Lx), the search range and USB port ("init.cfg"), plus the
// locale and display facts fixed for the run.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

namespace plenum {

// Every path of the application is built below one data folder.
class AppPaths {
public:
    explicit AppPaths(std::filesystem::path root) : root_(std::move(root)) {}
    // $XDG_DATA_HOME/plenum, else ~/.local/share/plenum, else ./plenum-data.
    static std::filesystem::path DefaultDataDir();

    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path languageIni() const { return root_ / "Language.ini"; }
    std::filesystem::path initCfg() const { return root_ / "init.cfg"; }
    std::filesystem::path sessionProject() const { return root_ / "tmpPrj.mgc"; }
    std::filesystem::path sessionExtProject() const { return root_ / "tmpExtPrj.mgc"; }
    std::filesystem::path sessionBusIds() const { return root_ / "tmpBusId.mgc"; }
    std::filesystem::path projectDir() const { return root_ / "Project"; }
    std::filesystem::path backupDir() const { return root_ / "Backup"; }
    std::filesystem::path firDir() const { return root_ / "FIR"; }
    std::filesystem::path iirDir() const { return root_ / "IIR"; }
    std::filesystem::path irDir() const { return root_ / "IR"; }
    std::filesystem::path targetEqDir() const { return root_ / "TargetEq"; }
    std::filesystem::path presetDir() const { return root_ / "preset"; }
    std::filesystem::path aeqDir() const { return root_ / "AEQ"; }

private:
    std::filesystem::path root_;
};

// Creates the folder when it does not exist; failures are not reported.
void EnsureFolder(const std::filesystem::path& path);
// "AEQ" with its six subfolders: Sessions, Tmp, Target, Post Target, IR, Project.
void EnsureAeqFolders(const AppPaths& paths);
// The other folders the application works in (Project, Backup, FIR, IIR, IR, TargetEq, preset).
void EnsureWorkFolders(const AppPaths& paths);

// LanguageFlag from [Lang] Lx: "1" is Chinese; anything else or no file is English.
std::int16_t LoadLanguage(const AppPaths& paths);
// Writes Lx = "0" or "1", keeping every other line of the file.
std::error_code SaveLanguage(const AppPaths& paths, std::int16_t languageFlag);
// Sets one key of an INI file in the way the classic profile API does: the section and key are
// created when missing, other sections and keys are kept.
std::error_code WriteIniValue(const std::filesystem::path& file, const std::string& section,
                              const std::string& key, const std::string& value);

// init.cfg: thirteen little-endian 16-bit values. 0..3 unused, 4..7 first address of the search
// range, 8..11 end of the range (only octet 4 bounds the scan), 12 the USB serial port number.
struct InitCfg {
    std::array<std::int16_t, 13> values{};
    std::int16_t fromOctet(int i) const { return values[static_cast<std::size_t>(4 + i)]; }
    std::int16_t toOctet(int i) const { return values[static_cast<std::size_t>(8 + i)]; }
    std::int16_t usbComPort() const { return values[12]; }
    bool operator==(const InitCfg&) const = default;
};
inline constexpr std::size_t kInitCfgSize = 26;
// A missing or short file gives zeros for whatever it does not hold.
InitCfg LoadInitCfg(const AppPaths& paths);
std::error_code SaveInitCfg(const AppPaths& paths, const InitCfg& cfg);
// The USB link's serial port number lives in init.cfg (index 12) between runs, so that a USB
// device left on-line is reached again without a new port scan: written when a scan finds the
// port, read at start.
std::error_code SaveUsbComPort(const AppPaths& paths, std::int16_t port);

// True when the user locale's decimal separator is not ".".
bool LocaleUsesDecimalComma(const std::string& localeName = "");

// Display facts: ScreenScale = dpi * 0.75 / 72 (1.0 at 96 dpi); the display is too small when it
// is narrower than 1024 * scale or lower than 768 * scale pixels.
double ScreenScaleForDpi(double dpi);
bool DisplayTooSmall(int widthPx, int heightPx, double screenScale);

}  // namespace plenum
