// What every plenumctl invocation shares: the data folder, the application context restored
// from the folder's session project (saved again once the command has run, whether it succeeded or
// not), and a prompter that reports on stderr and answers questions from --yes / --no.
#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "comm/FirmwareLoader.h"
#include "comm/Transport.h"
#include "core/AppContext.h"
#include "core/Config.h"
#include "core/FolderLock.h"
#include "core/Prompter.h"

namespace plenum::comm {
class DeviceComm;
class Sleeper;
}

namespace plenum::cli {

// Exit codes of plenumctl.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;  // the system refused (its own message is on stderr)
inline constexpr int kExitUsage = 2;    // bad arguments
inline constexpr int kExitIo = 3;       // a file could not be written or read

// The wire's time-outs: the protocol's own unless a program that runs plenumctl in-process (the
// tests) shortens them; there is no command-line option for them.
struct WireTimeouts {
    comm::CommTimeouts transaction;
    comm::LoaderTimeouts loader;
};

struct GlobalOptions {
    std::string dataDir;
    std::string lang;  // "", "en" or "zh"
    bool yes = false;
    bool no = false;
    bool json = false;
    int devicePort = 0;  // 0: PLENUM_DEVICE_PORT, else 1001
    WireTimeouts timeouts;
};

// Messages go to the error stream as "title: text"; a question is answered by --yes / --no and,
// when neither was given, answered No so that nothing happens that was not asked for.
class CliPrompter : public Prompter {
public:
    CliPrompter(std::ostream& err, std::optional<bool> answer) : err_(err), answer_(answer) {}
    void showMessage(Icon icon, const std::string& title, const std::string& text) override;
    bool askYesNo(Icon icon, const std::string& title, const std::string& text) override;
    void progress(int value, int maximum, const std::string& caption) override;

private:
    std::ostream& err_;
    std::optional<bool> answer_;
};

class CliSession {
public:
    CliSession(const GlobalOptions& options, std::ostream& out, std::ostream& err);
    ~CliSession();

    // Creates the data folder, takes its lock and restores the language and the session project;
    // false (with a message) when another program holds the folder.
    bool open();
    // Saves the session project; false (with a message) when it cannot be written.
    bool save();

    AppContext& ctx() { return *ctx_; }
    const AppPaths& paths() const { return paths_; }
    Prompter& prompter() { return prompter_; }
    const GlobalOptions& options() const { return options_; }
    // The command transaction over the real links, created on first use. Its retries are told on
    // the error stream, one line per retry naming the device.
    comm::DeviceComm& comm();
    comm::Sleeper& sleeper();
    std::ostream& out() { return out_; }
    std::ostream& err() { return err_; }

    // "LEFT (slot 3)": how messages name a device.
    std::string deviceLabel(int slot) const;
    // Says why a transaction with `slot` failed (it did not answer and is now off-line, or the
    // link could not be used) and returns kExitRefused.
    int wireFailure(int slot);
    // Says that `slot` answered with bytes that were not a reply frame and returns kExitRefused.
    int garbledReply(int slot);

private:
    GlobalOptions options_;
    std::ostream& out_;
    std::ostream& err_;
    AppPaths paths_;
    std::unique_ptr<DataFolderLock> lock_;
    std::unique_ptr<AppContext> ctx_;
    CliPrompter prompter_;
    struct Wire;
    std::unique_ptr<Wire> wire_;
};

}  // namespace plenum::cli
