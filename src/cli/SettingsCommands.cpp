#include <ostream>

#include "cli/Commands.h"
#include "store/ProjectFile.h"

namespace plenum::cli {

void AddSettingsCommands(CLI::App& app, Action& action) {
    auto* lang = app.add_subcommand("lang", "Show or set the language of the application (en or zh)");
    auto language = std::make_shared<std::string>();
    lang->add_option("LANGUAGE", *language, "en or zh")->check(CLI::IsMember({"en", "zh"}));
    lang->callback([&action, language] {
        action = [language](CliSession& session) {
            if (language->empty()) {
                session.out() << (LoadLanguage(session.paths()) == 1 ? "zh" : "en") << '\n';
                return kExitOk;
            }
            const std::int16_t flag = *language == "zh" ? 1 : 0;
            if (const auto error = SaveLanguage(session.paths(), flag)) {
                session.err() << "plenumctl: cannot write " << session.paths().languageIni().string() << ": "
                              << error.message() << '\n';
                return kExitIo;
            }
            session.ctx().LanguageFlag = flag;
            return kExitOk;
        };
    });

    auto* project = app.add_subcommand("project", "Save or load a project file");
    project->require_subcommand(1);
    auto file = std::make_shared<std::string>();
    auto* save = project->add_subcommand("save", "Save the device list, devices and groups to FILE");
    save->add_option("FILE", *file, "Project file (.prj)")->required();
    save->callback([&action, file] {
        action = [file](CliSession& session) {
            if (const auto error = SaveProject(session.ctx(), *file)) {
                session.err() << "plenumctl: cannot save " << *file << ": " << error.message() << '\n';
                return kExitIo;
            }
            return kExitOk;
        };
    });
    auto* load = project->add_subcommand("load", "Replace the session with the project in FILE");
    load->add_option("FILE", *file, "Project file (.prj)")->required();
    load->callback([&action, file] {
        action = [file](CliSession& session) {
            return LoadProject(session.ctx(), session.prompter(), *file) ? kExitOk : kExitRefused;
        };
    });
}

}  // namespace plenum::cli
