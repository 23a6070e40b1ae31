#include "cli/CliSession.h"

#include <cstring>
#include <ostream>

#include "comm/AsioNetwork.h"
#include "comm/AsioSerial.h"
#include "comm/DeviceComm.h"
#include "core/Registry.h"
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

// The caption is the whole progress line as the application shows it (the firmware window's status
// line "Status:42%" carries its percentage): it is printed as it is, once per report. Without a
// caption the percentage stands alone. 0 of 0 ends the progress and prints nothing.
void CliPrompter::progress(int value, int maximum, const std::string& caption) {
    if (maximum <= 0) return;
    if (caption.empty())
        err_ << (100 * value / maximum) << "%\n";
    else
        err_ << caption << '\n';
}

CliSession::CliSession(const GlobalOptions& options, std::ostream& out, std::ostream& err)
    : options_(options),
      out_(out),
      err_(err),
      paths_(options.dataDir.empty() ? AppPaths::DefaultDataDir() : std::filesystem::path(options.dataDir)),
      ctx_(std::make_unique<AppContext>()),
      prompter_(err, AnswerFrom(options)) {}

namespace {

// The retry window of the desktop application, as lines on the error stream. The first retry of a
// transaction stays silent as there: it is also how every invocation reopens the link of a device
// the session left on-line. The ten after it are numbered as the window numbers them.
class RetryLines final : public comm::RetryObserver {
public:
    explicit RetryLines(CliSession& session) : session_(session) {}
    void retrying(int slot, int attempt) override {
        if (attempt < 2) return;
        session_.err() << "plenumctl: " << session_.deviceLabel(slot) << " does not answer: "
                       << FillText(texts::kReconnectionRetry.pick(session_.ctx().LanguageFlag),
                                   {std::to_string(attempt - 1)})
                       << '\n';
    }

private:
    CliSession& session_;
};

}  // namespace

// The links of one invocation. Devices the session left on-line are reached again through the
// transaction's reconnect on their first command.
struct CliSession::Wire {
    Wire(CliSession& session, comm::LinkSettings links, const comm::CommTimeouts& timeouts)
        : comm(session.ctx(), network, serial, session.prompter(), sleeper, std::move(links), timeouts),
          retries(session) {
        comm.setHooks({.retries = &retries});
    }
    comm::AsioNetworkTransport network;
    comm::AsioSerialTransport serial;
    comm::SteadySleeper sleeper;
    comm::DeviceComm comm;
    RetryLines retries;
};

CliSession::~CliSession() = default;

comm::DeviceComm& CliSession::comm() {
    if (!wire_) {
        std::vector<std::string> problems;
        comm::LinkSettings links = comm::LinkSettings::FromEnvironment(&problems);
        for (const auto& problem : problems) err_ << "plenumctl: " << problem << '\n';
        if (options_.devicePort > 0) links.devicePort = static_cast<std::uint16_t>(options_.devicePort);
        wire_ = std::make_unique<Wire>(*this, std::move(links), options_.timeouts.transaction);
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

std::string CliSession::deviceLabel(int slot) const {
    return DisplayName(*ctx_, slot) + " (slot " + std::to_string(slot) + ")";
}

int CliSession::wireFailure(int slot) {
    const DeviceRecord& record = ctx_->device(slot);
    if (record.isConnected())  // the transaction failed without taking the device off-line
        err_ << "plenumctl: " << deviceLabel(slot) << ": "
             << (record.isNetwork() ? "the command failed; the device stays on-line" : "the USB port could not be opened") << '\n';
    else
        err_ << "plenumctl: " << deviceLabel(slot) << " did not answer and is now off-line\n";
    return kExitRefused;
}

int CliSession::garbledReply(int slot) {
    err_ << "plenumctl: " << deviceLabel(slot) << " answered with a garbled reply (not a reply frame)\n";
    return kExitRefused;
}

bool CliSession::save() {
    if (const auto error = SaveSessionProject(*ctx_, paths_)) {
        err_ << "plenumctl: cannot save the session in " << paths_.root().string() << ": " << error.message() << '\n';
        return false;
    }
    return true;
}

}  // namespace plenum::cli
