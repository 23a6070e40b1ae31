#include "cli/CliSession.h"

#include <cstring>
#include <ostream>

#include "comm/AsioNetwork.h"
#include "comm/AsioSerial.h"
#include "comm/DeviceComm.h"
#include "store/ProjectFile.h"

namespace plenum::cli {
namespace {

// Message texts break lines with CR LF; a terminal wants LF.
std::string OneLine(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '\r') out.push_back(c);
    return out;
}

std::optional<bool> AnswerFrom(const GlobalOptions& options) {
    if (options.yes) return true;
    if (options.no) return false;
    return std::nullopt;
}

}  // namespace

void CliPrompter::showMessage(Icon, const std::string& title, const std::string& text) {
    err_ << title << ": " << OneLine(text) << '\n';
}

bool CliPrompter::askYesNo(Icon, const std::string& title, const std::string& text) {
    const bool yes = answer_.value_or(false);
    err_ << title << ": " << OneLine(text) << (yes ? " -> Yes" : " -> No") << '\n';
    if (!answer_) err_ << "(answered No; pass --yes to confirm)\n";
    return yes;
}

void CliPrompter::progress(int value, int maximum, const std::string& caption) {
    if (maximum <= 0) return;
    err_ << caption << ' ' << (100 * value / maximum) << "%\n";
}

CliSession::CliSession(const GlobalOptions& options, std::ostream& out, std::ostream& err)
    : options_(options),
      out_(out),
      err_(err),
      paths_(options.dataDir.empty() ? AppPaths::DefaultDataDir() : std::filesystem::path(options.dataDir)),
      ctx_(std::make_unique<AppContext>()),
      prompter_(err, AnswerFrom(options)) {}

// The links of one invocation. Devices the session left on-line are reached again through the
// transaction's reconnect on their first command.
struct CliSession::Wire {
    Wire(AppContext& ctx, Prompter& prompter, comm::LinkSettings links)
        : comm(ctx, network, serial, prompter, sleeper, std::move(links)) {}
    comm::AsioNetworkTransport network;
    comm::AsioSerialTransport serial;
    comm::SteadySleeper sleeper;
    comm::DeviceComm comm;
};

CliSession::~CliSession() = default;

comm::DeviceComm& CliSession::comm() {
    if (!wire_) {
        std::vector<std::string> problems;
        comm::LinkSettings links = comm::LinkSettings::FromEnvironment(&problems);
        for (const auto& problem : problems) err_ << "plenumctl: " << problem << '\n';
        if (options_.devicePort > 0) links.devicePort = static_cast<std::uint16_t>(options_.devicePort);
        wire_ = std::make_unique<Wire>(*ctx_, prompter_, std::move(links));
    }
    return wire_->comm;
}

comm::Sleeper& CliSession::sleeper() {
    comm();
    return wire_->sleeper;
}

bool CliSession::open() {
    EnsureFolder(paths_.root());
    std::string error;
    lock_ = DataFolderLock::Acquire(paths_.root(), error);
    if (!lock_) {
        err_ << "plenumctl: " << error << '\n';
        return false;
    }
    EnsureAeqFolders(paths_);
    ctx_->dataDir = paths_.root();
    ctx_->LanguageFlag = LoadLanguage(paths_);
    ctx_->UsbComPort = LoadInitCfg(paths_).usbComPort();
    if (options_.lang == "en") ctx_->LanguageFlag = 0;
    if (options_.lang == "zh") ctx_->LanguageFlag = 1;
    ctx_->DecimalComma = false;  // the command line always takes "." as the decimal separator
    TellSessionProblem(prompter_, ctx_->LanguageFlag, LoadSessionProject(*ctx_, paths_));
    return true;
}

bool CliSession::save() {
    if (const auto error = SaveSessionProject(*ctx_, paths_)) {
        err_ << "plenumctl: cannot save the session in " << paths_.root().string() << ": " << error.message() << '\n';
        return false;
    }
    return true;
}

}  // namespace plenum::cli
