// Project, session and companion files from arbitrary bytes: never crash, and a file that does
// not load leaves the state untouched.
#include <cstdlib>

#include "store/BlockCodec.h"
#include "store/ProjectFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace plenum;
    const std::span<const std::uint8_t> bytes(data, size);
    static AppContext pristine;
    AppContext ctx;
    const auto status = DecodeProject(ctx, bytes, size % 2 ? ProjectLayout::Stream : ProjectLayout::FixedRecords,
                                      {kProjectMarker, kProjectMarkerOld, kSessionMarker});
    if (status != ProjectStatus::Loaded && !(ctx.devices() == pristine.devices())) std::abort();
    DecodeExtFile(ctx, bytes, size % 3 == 0);
    UnpackBlock(bytes, size * 2);
    return 0;
}
