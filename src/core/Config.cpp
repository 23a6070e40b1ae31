#include "core/Config.h"

#include <INIReader.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <locale>
#include <sstream>
#include <vector>

#include "core/BinaryIO.h"

namespace plenum {

std::filesystem::path AppPaths::DefaultDataDir() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0')
        return std::filesystem::path(xdg) / "plenum";
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return std::filesystem::path(home) / ".local" / "share" / "plenum";
    return std::filesystem::current_path() / "plenum-data";
}

void EnsureFolder(const std::filesystem::path& path) {
    std::error_code ignored;
    if (!std::filesystem::is_directory(path, ignored)) std::filesystem::create_directories(path, ignored);
}

void EnsureAeqFolders(const AppPaths& paths) {
    EnsureFolder(paths.aeqDir());
    for (const char* sub : {"Sessions", "Tmp", "Target", "Post Target", "IR", "Project"})
        EnsureFolder(paths.aeqDir() / sub);
}

void EnsureWorkFolders(const AppPaths& paths) {
    for (const auto& dir : {paths.projectDir(), paths.backupDir(), paths.firDir(), paths.iirDir(), paths.irDir(),
                            paths.targetEqDir(), paths.presetDir()})
        EnsureFolder(dir);
}

std::int16_t LoadLanguage(const AppPaths& paths) {
    INIReader reader(paths.languageIni().string());
    if (reader.ParseError() < 0) return 0;
    return reader.Get("Lang", "Lx", "0") == "1" ? 1 : 0;
}

std::error_code SaveLanguage(const AppPaths& paths, std::int16_t languageFlag) {
    return WriteIniValue(paths.languageIni(), "Lang", "Lx", languageFlag == 1 ? "1" : "0");
}

namespace {

std::string TrimAscii(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

std::error_code WriteIniValue(const std::filesystem::path& file, const std::string& section, const std::string& key,
                              const std::string& value) {
    std::vector<std::string> lines;
    {
        std::ifstream in(file);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
    }
    // Find the section, then the key inside it (section and key names are case-insensitive).
    std::size_t sectionLine = lines.size();
    std::size_t sectionEnd = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string trimmed = TrimAscii(lines[i]);
        if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
            if (sectionLine != lines.size()) {
                sectionEnd = i;
                break;
            }
            if (EqualsNoCase(TrimAscii(trimmed.substr(1, trimmed.size() - 2)), section)) sectionLine = i;
        }
    }
    const std::string entry = key + "=" + value;
    if (sectionLine == lines.size()) {
        lines.push_back("[" + section + "]");
        lines.push_back(entry);
    } else {
        bool replaced = false;
        for (std::size_t i = sectionLine + 1; i < sectionEnd && !replaced; ++i) {
            const auto equals = lines[i].find('=');
            if (equals != std::string::npos && EqualsNoCase(TrimAscii(lines[i].substr(0, equals)), key)) {
                lines[i] = entry;
                replaced = true;
            }
        }
        if (!replaced) {
            // Insert after the section's last non-blank line.
            std::size_t at = sectionEnd;
            while (at > sectionLine + 1 && TrimAscii(lines[at - 1]).empty()) --at;
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), entry);
        }
    }
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    return WriteFileAtomic(file, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

InitCfg LoadInitCfg(const AppPaths& paths) {
    InitCfg cfg;
    std::error_code error;
    const auto data = ReadWholeFile(paths.initCfg(), error, 4096);
    if (!data) return cfg;
    BinaryReader reader(*data);
    for (auto& value : cfg.values) {
        const std::int16_t read = reader.i16();
        if (!reader.ok()) break;
        value = read;
    }
    return cfg;
}

std::error_code SaveInitCfg(const AppPaths& paths, const InitCfg& cfg) {
    BinaryWriter writer;
    for (std::int16_t value : cfg.values) writer.i16(value);
    return WriteFileAtomic(paths.initCfg(), writer.data());
}

std::error_code SaveUsbComPort(const AppPaths& paths, std::int16_t port) {
    InitCfg cfg = LoadInitCfg(paths);
    if (cfg.usbComPort() == port && std::filesystem::exists(paths.initCfg())) return {};
    cfg.values[12] = port;
    return SaveInitCfg(paths, cfg);
}

bool LocaleUsesDecimalComma(const std::string& localeName) {
    try {
        const std::locale locale(localeName.c_str());
        return std::use_facet<std::numpunct<char>>(locale).decimal_point() != '.';
    } catch (const std::runtime_error&) {
        return false;  // unknown locale: the C locale uses "."
    }
}

double ScreenScaleForDpi(double dpi) { return dpi * 0.75 / 72.0; }

bool DisplayTooSmall(int widthPx, int heightPx, double screenScale) {
    return widthPx < 1024.0 * screenScale || heightPx < 768.0 * screenScale;
}

}  // namespace plenum
