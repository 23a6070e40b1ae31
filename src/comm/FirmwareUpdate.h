// FwUpdateDemo: the firmware window's rules without the window. It holds the chosen file and the
// status line, refuses the link kind the build does not update over (USB only while FwUsbMode is
// set, LAN only otherwise) and a file that cannot be loaded, takes an on-line device off-line
// before its own loader link opens, runs FwLoader and turns its events into the status line and
// the messages. The view shows title(), the labels and statusText(), and forwards the file dialog
// and the Update button.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "comm/DeviceComm.h"
#include "comm/FirmwareLoader.h"
#include "core/AppContext.h"
#include "core/Prompter.h"

namespace plenum::comm {

class FwUpdateDemo {
  public:
    // `slot` is the device whose tile opened the window. `tiles` (optional) shows the device
    // off-line when the update takes it off-line.
    FwUpdateDemo(AppContext& ctx, DeviceComm& comm, FwLoader& loader, Prompter& prompter, int slot,
                 TileStatusSink* tiles = nullptr);

    int slot() const { return slot_; }

    // Window texts in the current language.
    std::string title() const;
    std::string fileFilter() const;
    // The chosen file's path, or "Search .sfu file" until one is chosen.
    std::string fileLabel() const;
    std::string addressCaption() const;
    std::string versionCaption() const;
    std::string nameCaption() const;
    std::string uniqueIdCaption() const;
    // The values beside the captions, from the device record and its status record.
    std::string addressText() const;
    std::string versionText() const;  // "a.b.c" from status bytes 1..3
    std::string nameText() const;
    std::string uniqueIdText() const;
    // "Status:", followed by the progress while a load runs ("Status:42%").
    const std::string& statusText() const { return status_; }

    // The file dialog's answer; an empty path keeps the previous choice.
    void chooseFile(const std::filesystem::path& path);
    bool hasFile() const { return file_.has_value(); }

    enum class Outcome {
        NoFile,   // "please insert a .sfu file"; no device touched
        Refused,  // the device's link is not the one this build updates over
        Failed,   // the file was refused or the loader reported an error code (lastError())
        Loaded,   // "Firmware successfully loaded!"
    };
    // The Update button. The file is checked first: a file that cannot be loaded ("Wrong firmware
    // file!") touches no device. Otherwise the device is taken off-line and the load runs,
    // blocking; the device stays off-line afterwards in every case (the user connects it again)
    // and the window may try again.
    Outcome Update_Click();
    FwLoadError lastError() const { return lastError_; }

    // FwLoader_FwLoadProgress: progress goes to the status line (and the prompter's progress),
    // errors and completion to a message box.
    void FwLoader_FwLoadProgress(const FwLoadProgress& event);

  private:
    void takeOffline();

    AppContext& ctx_;
    DeviceComm& comm_;
    FwLoader& loader_;
    Prompter& prompter_;
    int slot_;
    TileStatusSink* tiles_;
    std::optional<std::filesystem::path> file_;
    std::string status_;
    bool usbLoad_ = true;
    FwLoadError lastError_ = FwLoadError::None;
};

}  // namespace plenum::comm
