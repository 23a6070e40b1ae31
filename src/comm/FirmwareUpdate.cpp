#include "comm/FirmwareUpdate.h"

#include "core/Texts.h"

namespace plenum::comm {

namespace {

const MessageText& ErrorMessage(const FwLoadProgress& event) {
    switch (static_cast<FwLoadError>(event.value)) {
        case FwLoadError::WrongFile:
            return texts::kFwWrongFile;
        case FwLoadError::Protected:
            return texts::kFwProtected;
        case FwLoadError::EraseFailed:
            return texts::kFwEraseFailed;
        case FwLoadError::WriteFailed:
            return texts::kFwWriteFailed;
        case FwLoadError::CantConnect:
            return event.host.empty() ? texts::kFwCantConnectDevice : texts::kFwCantConnectHost;
        case FwLoadError::Timeout:
            return texts::kFwTimeout;
        case FwLoadError::ModeUnavailable:
            if (event.refusedLink == kLinkUsb) return texts::kFwNotInUsb;
            return event.refusedLink == kLinkWlan ? texts::kFwNotInWlan : texts::kFwNotInLan;
        case FwLoadError::Checksum:
        case FwLoadError::None:
            break;
    }
    return texts::kFwChecksum;
}

}  // namespace

FwUpdateDemo::FwUpdateDemo(AppContext& ctx, DeviceComm& comm, FwLoader& loader, Prompter& prompter, int slot,
                           TileStatusSink* tiles)
    : ctx_(ctx),
      comm_(comm),
      loader_(loader),
      prompter_(prompter),
      slot_(slot),
      tiles_(tiles),
      status_(texts::kFwStatus.pick(ctx.LanguageFlag)) {}

std::string FwUpdateDemo::title() const {
    return std::string((ctx_.FwUsbMode ? texts::kFwTitleUsb : texts::kFwTitleLan).pick(ctx_.LanguageFlag));
}

std::string FwUpdateDemo::fileFilter() const {
    return std::string(texts::kFwFileFilter.pick(ctx_.LanguageFlag));
}

std::string FwUpdateDemo::fileLabel() const {
    return file_ ? file_->string() : std::string(texts::kFwNoFileLabel.pick(ctx_.LanguageFlag));
}

std::string FwUpdateDemo::addressCaption() const {
    return std::string(texts::kFwLabelAddress.pick(ctx_.LanguageFlag));
}
std::string FwUpdateDemo::versionCaption() const {
    return std::string(texts::kFwLabelVersion.pick(ctx_.LanguageFlag));
}
std::string FwUpdateDemo::nameCaption() const {
    return std::string(texts::kFwLabelName.pick(ctx_.LanguageFlag));
}
std::string FwUpdateDemo::uniqueIdCaption() const {
    return std::string(texts::kFwLabelUniqueId.pick(ctx_.LanguageFlag));
}

std::string FwUpdateDemo::addressText() const {
    return ctx_.device(slot_).Address;
}
std::string FwUpdateDemo::nameText() const {
    return ctx_.device(slot_).DeviceName;
}
std::string FwUpdateDemo::uniqueIdText() const {
    return ctx_.device(slot_).UniqueId;
}

std::string FwUpdateDemo::versionText() const {
    const DeviceStatusRecord& record = ctx_.statusOf(slot_);
    return std::to_string(record[status::kFirmware]) + "." + std::to_string(record[status::kFirmware + 1]) +
           "." + std::to_string(record[status::kFirmware + 2]);
}

void FwUpdateDemo::chooseFile(const std::filesystem::path& path) {
    if (!path.empty()) file_ = path;
}

FwUpdateDemo::Outcome FwUpdateDemo::Update_Click() {
    const int language = ctx_.LanguageFlag;
    if (!file_) {
        Tell(prompter_, language, texts::kFwNoFile);
        return Outcome::NoFile;
    }
    const DeviceRecord& record = ctx_.device(slot_);
    usbLoad_ = ctx_.FwUsbMode;
    if (usbLoad_ && record.isNetwork()) {
        Tell(prompter_, language, texts::kFwOnlyUsb);
        return Outcome::Refused;
    }
    if (!usbLoad_ && !record.isNetwork()) {
        Tell(prompter_, language, texts::kFwOnlyLan);
        return Outcome::Refused;
    }
    lastError_ = FwLoadError::None;
    loader_.SetDeviceKind(record.isSub() ? FirmwareKind::Subwoofer : FirmwareKind::Satellite);
    // The file is checked while the device is still on-line: a file that cannot be loaded must not
    // cost the user the connection.
    if (loader_.CheckFile(*file_) != FwLoadError::None) {
        FwLoader_FwLoadProgress({FwLoadProgress::Kind::Error, static_cast<int>(FwLoadError::WrongFile), {}, 0});
        return Outcome::Failed;
    }
    takeOffline();

    loader_.setProgressHandler([this](const FwLoadProgress& event) { FwLoader_FwLoadProgress(event); });
    if (usbLoad_) {
        // A port the scan never found has no name: the loader then reports "Can't connect device".
        const bool portKnown = ctx_.UsbComPort >= kFirstSerialPort && ctx_.UsbComPort <= kLastSerialPort;
        const std::string port =
            portKnown ? SerialPortPath(comm_.links().serialPattern, ctx_.UsbComPort) : "";
        lastError_ = loader_.LoadUsb(*file_, port);
    } else {
        loader_.setNetworkSlot(slot_);
        lastError_ = loader_.LoadLan(*file_, record.Address);
    }
    return lastError_ == FwLoadError::None ? Outcome::Loaded : Outcome::Failed;
}

// Command 15 first, while the transaction's link is still up, then the link closed, so that the
// loader's own connection is the only one the device sees.
void FwUpdateDemo::takeOffline() {
    DeviceRecord& record = ctx_.device(slot_);
    if (!record.isConnected()) return;
    comm_.LastTxResult = comm_.SendCommand(slot_, CommandCode::Offline);
    record.Connected = kFalse16;
    comm_.closeLink(slot_);
    if (tiles_ != nullptr) tiles_->switchOffline(slot_);
}

void FwUpdateDemo::FwLoader_FwLoadProgress(const FwLoadProgress& event) {
    const int language = ctx_.LanguageFlag;
    const std::string status(texts::kFwStatus.pick(language));
    switch (event.kind) {
        case FwLoadProgress::Kind::Progress:
            status_ = status + std::to_string(event.value) + "%";
            prompter_.progress(event.value, 100, status_);
            break;
        case FwLoadProgress::Kind::Error:
            lastError_ = static_cast<FwLoadError>(event.value);
            prompter_.progress(0, 0, "");
            Tell(prompter_, language, ErrorMessage(event), {event.host});
            break;
        case FwLoadProgress::Kind::Done:
            status_ = status;
            prompter_.progress(0, 0, "");
            Tell(prompter_, language, usbLoad_ ? texts::kFwLoadedUsb : texts::kFwLoadedLan);
            break;
    }
}

}  // namespace plenum::comm
