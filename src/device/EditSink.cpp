#include "device/EditSink.h"

#include "core/ImageLayout.h"
#include "sat/DeviceMemory.h"

namespace plenum::device {

std::int16_t RecallFactoryOnDevice(comm::DeviceComm& comm, int slot, const std::function<void(int)>& readFirBlocks) {
    AppContext& ctx = comm.context();
    if (const auto result = SendParam(comm, slot, ParamFamily::RecallFactory); result != 0) return result;
    if (const auto result = ReadStatus(comm, slot); result != 0) return result;
    if (const auto result = ReadImage(comm, slot); result != 0) return result;
    if (ctx.device(slot).isSub()) return 0;
    const auto index = static_cast<std::size_t>(slot);
    ctx.satImage[index][sat::kProgramSystem] = ctx.satStatus[index][status::kSystemMode];
    std::int16_t overall = 0;
    for (int way = 0; way < kWays; ++way)
        if (SendParam(comm, slot, ParamFamily::OutputLimiter, {way, 0, 0, 0}) != 0) overall = -1;
    if (readFirBlocks) readFirBlocks(slot);
    return overall;
}

std::int16_t WriteProgramToDevice(comm::DeviceComm& comm, int slot) {
    if (const auto result = WriteImage(comm, slot); result != 0) return result;
    return SendParam(comm, slot, ParamFamily::StoreState);
}

}  // namespace plenum::device
