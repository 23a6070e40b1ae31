#include <nlohmann/json.hpp>

#include <iomanip>
#include <optional>
#include <ostream>
#include <sstream>

#include "cli/Commands.h"
#include "comm/DeviceComm.h"
#include "core/ModelCatalog.h"
#include "core/Registry.h"

namespace plenum::cli {
namespace {

int ListDevices(CliSession& session) {
    const AppContext& ctx = session.ctx();
    nlohmann::json rows = nlohmann::json::array();
    std::ostringstream text;
    for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot) {
        const DeviceRecord& r = ctx.device(slot);
        if (!r.isPresent()) continue;
        const int variant = ctx.statusOf(slot)[status::kHwVariant];
        rows.push_back({{"slot", slot},
                        {"name", DisplayName(ctx, slot)},
                        {"model_code", r.ModelCode},
                        {"variant", variant},
                        {"link_mode", std::string(LinkModeName(r.LinkMode))},
                        {"address", r.Address},
                        {"unique_id", r.UniqueId},
                        {"present", r.isPresent()},
                        {"connected", r.isConnected()},
                        {"tile_pos", r.TilePos}});
        text << std::setw(4) << slot << "  " << std::left << std::setw(18) << DisplayName(ctx, slot) << std::right
             << " model " << std::setw(2) << int(r.ModelCode) << " variant " << std::setw(2) << variant << "  "
             << std::left << std::setw(5) << LinkModeName(r.LinkMode) << std::setw(16) << r.Address << std::setw(13)
             << (r.UniqueId.empty() ? "-" : r.UniqueId) << std::right << (r.isConnected() ? "On-line" : "Off-line")
             << '\n';
    }
    if (session.options().json)
        session.out() << rows.dump(2) << '\n';
    else
        session.out() << text.str();
    return kExitOk;
}

// Dotted IPv4 text with the octet ranges of the address boxes (1-223, 0-255, 0-255, 1-254).
bool ValidDeviceAddress(const std::string& text) {
    std::istringstream in(text);
    int octets[4];
    char dots[3];
    if (!(in >> octets[0] >> dots[0] >> octets[1] >> dots[1] >> octets[2] >> dots[2] >> octets[3])) return false;
    if (dots[0] != '.' || dots[1] != '.' || dots[2] != '.' || in.peek() != EOF) return false;
    return octets[0] >= 1 && octets[0] <= 223 && octets[1] >= 0 && octets[1] <= 255 && octets[2] >= 0 &&
           octets[2] <= 255 && octets[3] >= 1 && octets[3] <= 254 &&
           text.find_first_not_of("0123456789.") == std::string::npos;
}

// "1-6" for model 8: the variants the catalogue offers, which are consecutive.
std::string VariantRange(int modelCode) {
    const std::vector<int> variants = VariantsOf(modelCode);
    if (variants.empty()) return "none";
    if (variants.size() == 1) return std::to_string(variants.front());
    return std::to_string(variants.front()) + "-" + std::to_string(variants.back());
}

// "model 8: 1-6, model 10: 1-2" for the help text; "8 and 10" for a refusal.
std::string VariantRanges() {
    std::string text;
    for (int code : PickableModelCodes())
        if (HasVariants(code)) text += (text.empty() ? "model " : ", model ") + std::to_string(code) + ": " + VariantRange(code);
    return text;
}

std::string ModelsWithVariants() {
    std::string text;
    for (int code : PickableModelCodes())
        if (HasVariants(code)) text += (text.empty() ? "" : " and ") + std::to_string(code);
    return text;
}

}  // namespace

void AddRegistryCommands(CLI::App& app, Action& action) {
    app.add_subcommand("list", "Show the device list")->callback([&action] { action = ListDevices; });

    auto* add = app.add_subcommand("add", "Add a device by hand (model code 0-11; 1 is the subwoofer)");
    auto model = std::make_shared<int>(0);
    auto variant = std::make_shared<std::optional<int>>();
    auto lan = std::make_shared<std::string>();
    add->add_option("MODEL_CODE", *model, "Model code")->required()->check(CLI::Range(0, 11));
    add->add_option("--variant", *variant,
                    "Hardware variant (" + VariantRanges() + "; default: the first)");
    add->add_option("--lan", *lan, "Add as a LAN device at this address (A.B.C.D)");
    add->callback([&action, model, variant, lan] {
        action = [model, variant, lan](CliSession& session) {
            auto& err = session.err();
            // The add-device dialog's catalogue decides what can be added, and what it preselects.
            if (!IsPickableModel(*model)) {
                err << "plenumctl: model code " << *model << " is not a loudspeaker this tool drives\n";
                return kExitUsage;
            }
            if (*variant && !HasVariants(*model)) {
                err << "plenumctl: --variant applies to model codes " << ModelsWithVariants() << " only\n";
                return kExitUsage;
            }
            if (*variant && !IsOfferedVariant(*model, **variant)) {
                err << "plenumctl: model " << *model << " has no variant " << **variant << " (it has "
                    << VariantRange(*model) << ")\n";
                return kExitUsage;
            }
            const int chosenVariant = variant->value_or(DefaultVariant(*model));
            if (!lan->empty() && !ValidDeviceAddress(*lan)) {
                err << "plenumctl: '" << *lan << "' is not a device address (1-223.0-255.0-255.1-254)\n";
                return kExitUsage;
            }
            AppContext& ctx = session.ctx();
            const auto slot = BeginAddDevice(ctx, session.prompter());
            if (!slot) return kExitRefused;
            const AddDeviceChoice choice{static_cast<std::uint8_t>(*model), static_cast<std::int16_t>(chosenVariant),
                                         !lan->empty(), *lan};
            if (!CompleteAddDevice(ctx, session.prompter(), *slot, choice)) return kExitRefused;
            AssignTilePos(ctx, *slot);
            if (session.options().json)
                session.out() << nlohmann::json{{"slot", *slot}}.dump() << '\n';
            else
                session.out() << *slot << '\n';
            return kExitOk;
        };
    });

    auto* remove = app.add_subcommand("remove", "Remove a device from the list (asks; answer with --yes)");
    auto removeSlot = std::make_shared<int>(0);
    remove->add_option("SLOT", *removeSlot, "Slot 1-24")->required()->check(CLI::Range(1, 24));
    remove->callback([&action, removeSlot] {
        action = [removeSlot](CliSession& session) {
            if (!session.ctx().device(*removeSlot).isPresent()) {
                session.err() << "plenumctl: slot " << *removeSlot << " holds no device\n";
                return kExitRefused;
            }
            return RemoveDevice(session.ctx(), session.prompter(), session.comm(), *removeSlot) == RemoveResult::Removed
                       ? kExitOk
                       : kExitRefused;
        };
    });
}

}  // namespace plenum::cli
