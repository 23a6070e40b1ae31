#include "device/FirStore.h"

#include <algorithm>
#include <vector>

#include "core/ValueCodecs.h"
#include "fir/FirFile.h"
#include "sat/DeviceMemory.h"

namespace plenum::device {
namespace {

bool ValidCoefficients(std::span<const double> coefficients) {
    if (coefficients.empty() || coefficients.size() > static_cast<std::size_t>(kFirTaps)) return false;
    return std::all_of(coefficients.begin(), coefficients.end(), [](double c) {
        return c > -fir::kFirCoefficientLimit && c < fir::kFirCoefficientLimit;
    });
}

}  // namespace

bool FirStore::usable() const {
    if (slot_ < 0 || slot_ >= kSlotCount || (way_ != 0 && way_ != 1)) return false;
    return !comm_.context().device(slot_).isSub();
}

FirStoreOutcome FirStore::store(std::span<const double> coefficients, const std::string& name) {
    if (!usable() || !ValidCoefficients(coefficients)) return FirStoreOutcome::Refused;
    return send(fir::EncodeFirWords(coefficients), static_cast<int>(coefficients.size()), name);
}

FirStoreOutcome FirStore::storeKept() {
    if (!usable()) return FirStoreOutcome::Refused;
    const auto& table = comm_.context().satExtra[static_cast<std::size_t>(slot_)].fir[static_cast<std::size_t>(way_)];
    if (table.taps <= 0) return FirStoreOutcome::Refused;
    const std::string name = table.name;
    return send(fir::FirWordsOf(table), table.taps, name);
}

FirStoreOutcome FirStore::closeWithoutFir() {
    if (!usable() || way_ != 1) return FirStoreOutcome::Refused;
    const FirStoreOutcome outcome = close(0, 0);
    if (outcome != FirStoreOutcome::Done) return outcome;
    auto& table = comm_.context().satExtra[static_cast<std::size_t>(slot_)].fir[static_cast<std::size_t>(way_)];
    table.name.clear();
    table.taps = 0;
    return outcome;
}

FirStoreOutcome FirStore::send(const fir::FirWords& words, int taps, const std::string& name) {
    AppContext& ctx = comm_.context();
    const auto index = static_cast<std::size_t>(slot_);
    const SatParamImage& image = ctx.satImage[index];

    // The header: name, then the four configuration bytes of the image.
    std::fill_n(comm_.TxBlockBuffer.begin(), kFirHeaderLength, std::uint8_t{0});
    std::copy_n(name.begin(), std::min(name.size(), kFirNameBytes), comm_.TxBlockBuffer.begin());
    std::copy_n(image.bytes.begin() + kFirConfigImage, kFirConfigBytes, comm_.TxBlockBuffer.begin() + kFirNameBytes);
    NumberBytes number{};
    PutNumber(number, FirAreaAddress(way_), 0);
    const comm::CommandParams header{number[1], number[2], number[3], 0, static_cast<std::uint8_t>(kFirHeaderLength),
                                     0, 0, 0};
    if (SequenceBroken(comm_, slot_, comm_.SendCommand(slot_, comm::CommandCode::BlockWrite, header)))
        return FirStoreOutcome::Failed;

    const std::vector<std::uint8_t> stream = fir::FirWordStream(words);
    const std::uint32_t wordsAddress = FirAreaAddress(way_) + static_cast<std::uint32_t>(kFirHeaderLength);
    for (int block = 0; block < kFirBlocks; ++block) {
        if (progress_ && !progress_(block, kFirBlocks)) return FirStoreOutcome::Cancelled;
        const std::size_t offset = static_cast<std::size_t>(block) * kFirBlockLength;
        std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(offset), kFirBlockLength, comm_.TxBlockBuffer.begin());
        const auto params = comm::BlockTransferParams(wordsAddress + static_cast<std::uint32_t>(offset), kFirBlockLength);
        if (SequenceBroken(comm_, slot_, comm_.SendCommand(slot_, comm::CommandCode::BlockWrite, params)))
            return FirStoreOutcome::Failed;
        prompter_.progress(block + 1, kFirBlocks, "");
    }
    if (progress_ && !progress_(kFirBlocks, kFirBlocks)) return FirStoreOutcome::Cancelled;

    const FirStoreOutcome outcome = close(taps, 1);
    if (outcome != FirStoreOutcome::Done) return outcome;
    auto& table = ctx.satExtra[index].fir[static_cast<std::size_t>(way_)];
    fir::KeepFirWords(table, words);
    table.name = name;
    table.taps = static_cast<std::int16_t>(taps);
    return FirStoreOutcome::Done;
}

FirStoreOutcome FirStore::close(int taps, std::uint8_t closed) {
    NumberBytes number{};
    PutNumber(number, taps, 0);
    const comm::CommandParams params{0, static_cast<std::uint8_t>(way_), number[2], number[3], closed, 0, 0, 0};
    if (SequenceBroken(comm_, slot_, comm_.SendCommand(slot_, kFirCloseCode, params))) return FirStoreOutcome::Failed;
    SatParamImage& image = comm_.context().satImage[static_cast<std::size_t>(slot_)];
    image[kFirStoredImage] = number[2];
    image[kFirStoredImage + 1] = number[3];
    image[kFirStoredImage + 2] = closed;
    return FirStoreOutcome::Done;
}

std::string FirStore::label() const {
    const auto& table = comm_.context().satExtra[static_cast<std::size_t>(slot_)].fir[static_cast<std::size_t>(way_)];
    return fir::FirLabel(table.name, table.taps);
}

std::optional<StoredFir> ReadStoredFir(comm::DeviceComm& comm, int slot, int way) {
    std::vector<std::uint8_t> area(kFirCommitOffset + kFirCommitLength);
    if (SequenceBroken(comm, slot, ReadBlock(comm, slot, FirAreaAddress(way), area, true))) return std::nullopt;
    StoredFir stored;
    const auto nameEnd = std::find(area.begin(), area.begin() + kFirNameBytes, std::uint8_t{0});
    stored.name.assign(area.begin(), nameEnd);
    for (std::size_t tap = 0; tap < stored.words.size(); ++tap) {
        const auto at = area.begin() + static_cast<std::ptrdiff_t>(kFirHeaderLength + tap * fir::kFirWordBytes);
        stored.words[tap] = fir::FirWordFromBytes(std::span<const std::uint8_t, fir::kFirWordBytes>(&*at, fir::kFirWordBytes));
    }
    stored.taps = area[kFirCommitOffset] * 256 + area[kFirCommitOffset + 1];
    stored.closed = area[kFirCommitOffset + 2] != 0;
    return stored;
}

}  // namespace plenum::device
