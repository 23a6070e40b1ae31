#include "ui/Application.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <memory>

#include "comm/AsioNetwork.h"
#include "comm/AsioSerial.h"
#include "core/Config.h"
#include "ui/MainWindow.h"
#include "ui/QtPrompter.h"
#include "ui/StartupScreen.h"
#include "ui/Theme.h"
#include "ui/Tour.h"
#include "ui/UiTexts.h"
#include "ui/logic/DemoFleet.h"
#include "ui/logic/ProcessStats.h"

namespace plenum::ui {
namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The demo's loudspeakers live on the loopback network. On a computer without a LAN or WLAN
// address the connect check would refuse them, so the demo presents a host address on that
// network instead; everything else goes to the real transport.
class DemoNetwork final : public comm::NetworkTransport {
public:
    explicit DemoNetwork(comm::NetworkTransport& real) : real_(real) {}
    comm::LinkResult TcpInit(int slotCount) override { return real_.TcpInit(slotCount); }
    comm::LinkResult TcpConnect(int slot, const std::string& address, std::uint16_t port, comm::Millis timeout) override {
        return real_.TcpConnect(slot, address, port, timeout);
    }
    comm::LinkResult TcpSend(int slot, std::span<const std::uint8_t> bytes) override { return real_.TcpSend(slot, bytes); }
    comm::LinkResult TcpRead(int slot, std::span<std::uint8_t> reply, comm::Millis timeout) override {
        return real_.TcpRead(slot, reply, timeout);
    }
    void TcpClose(int slot) override { real_.TcpClose(slot); }
    bool TcpIsConnected(int slot) const override { return real_.TcpIsConnected(slot); }
    std::string TcpLocalAddress() const override {
        const std::string address = real_.TcpLocalAddress();
        return address == "127.0.0.1" ? "127.0.0.254" : address;
    }
    std::vector<std::string> TcpScan(const std::vector<std::string>& addresses, std::uint16_t port, comm::Millis timeout,
                                     const std::function<void(const std::string&)>& onResponse) override {
        return real_.TcpScan(addresses, port, timeout, onResponse);
    }

private:
    comm::NetworkTransport& real_;
};

// The offscreen platform reports every window-manager request it cannot honour; the tour's
// output is the list of pictures, so those notes are dropped there.
void QuietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QStringLiteral("This plugin does not support"))) return;
    if (message.startsWith(QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR"))) return;
    std::fprintf(stderr, "%s\n", qFormatLogMessage(type, context, message).toLocal8Bit().constData());
}

// --version is answered before the toolkit starts, so that it works without a display (a package
// check on a server, a script).
bool ArgumentsAskForVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (QByteArray(argv[i]) == "--version") return true;
    return false;
}

bool ArgumentsAskForTour(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (QByteArray(argv[i]) == "--tour" || QByteArray(argv[i]).startsWith("--tour=")) return true;
    return false;
}

}  // namespace

std::optional<Options> ParseOptions(const QStringList& arguments, QString& error) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Plenum: control of DSP loudspeaker systems"));
    parser.addHelpOption();
    const QCommandLineOption version("version", "Print the name and version and exit.");
    const QCommandLineOption dataDir("data-dir", "Folder for configuration, projects and backups.", "DIR");
    const QCommandLineOption lang("lang", "Language of this run: en or zh.", "en|zh");
    const QCommandLineOption port("device-port", "TCP port of the loudspeakers (default 1001).", "N");
    const QCommandLineOption bridge("bridge-port",
                                    "Local TCP port of the automatic-EQ bridge (default 47001; also PLENUM_BRIDGE_PORT).",
                                    "N");
    const QCommandLineOption demo("demo", "Start with simulated loudspeakers and a throw-away data folder.");
    const QCommandLineOption tour("tour", "With --demo: run a scripted tour offscreen, one PNG per step.", "DIR");
    const QCommandLineOption timing("timing", "Measure: print the start-up time and peak memory at the main window's first paint, then quit.");
    const QCommandLineOption startup("startup-ms", "Length of the start-up screen (default 2000).", "N");
    parser.addOptions({version, dataDir, lang, port, bridge, demo, tour, timing, startup});
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return std::nullopt;
    }
    if (parser.isSet("help")) {
        error = parser.helpText();
        return std::nullopt;
    }
    Options options;
    options.dataDir = parser.value(dataDir);
    if (parser.isSet(lang)) {
        const QString value = parser.value(lang).toLower();
        if (value != "en" && value != "zh") {
            error = QStringLiteral("--lang takes en or zh, not \"%1\"").arg(parser.value(lang));
            return std::nullopt;
        }
        options.languageFlag = value == "zh" ? 1 : 0;
    }
    if (parser.isSet(port)) {
        std::uint16_t value = 0;
        if (!comm::ParsePort(parser.value(port).toStdString(), value)) {
            error = QStringLiteral("--device-port takes a port 1..65535, not \"%1\"").arg(parser.value(port));
            return std::nullopt;
        }
        options.devicePort = value;
    }
    if (parser.isSet(bridge) || qEnvironmentVariableIsSet("PLENUM_BRIDGE_PORT")) {
        const QString text = parser.isSet(bridge) ? parser.value(bridge) : qEnvironmentVariable("PLENUM_BRIDGE_PORT");
        std::uint16_t value = 0;
        if (!comm::ParsePort(text.toStdString(), value)) {
            error = QStringLiteral("%1 takes a port 1..65535, not \"%2\"")
                        .arg(parser.isSet(bridge) ? QStringLiteral("--bridge-port") : QStringLiteral("PLENUM_BRIDGE_PORT"), text);
            return std::nullopt;
        }
        options.bridgePort = value;
    }
    options.demo = parser.isSet(demo);
    options.tourDir = parser.value(tour);
    if (!options.tourDir.isEmpty() && !options.demo) {
        error = QStringLiteral("--tour runs on the demo loudspeakers: add --demo");
        return std::nullopt;
    }
    options.timing = parser.isSet(timing);
    if (parser.isSet(startup)) {
        bool ok = false;
        options.startupMs = parser.value(startup).toInt(&ok);
        if (!ok || options.startupMs < 0 || options.startupMs > 60000) {
            error = QStringLiteral("--startup-ms takes 0..60000");
            return std::nullopt;
        }
    }
    return options;
}

int RunApplication(int argc, char** argv) {
    const Clock::time_point launched = Clock::now();
    if (ArgumentsAskForVersion(argc, argv)) {
        std::printf("plenum %s\n", kVersionText);
        return 0;
    }
    const bool touring = ArgumentsAskForTour(argc, argv);
    if (touring && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (touring) qInstallMessageHandler(QuietOffscreen);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Plenum"));
    QApplication::setApplicationVersion(QString::fromLatin1(kVersionText));

    QString error;
    const std::optional<Options> options = ParseOptions(QApplication::arguments(), error);
    if (!options) {
        // The help asked for goes to standard output (for a pager, and for the man page made from
        // it); a bad argument to standard error.
        const bool help = error.startsWith(QStringLiteral("Usage"));
        std::fprintf(help ? stdout : stderr, "%s\n", error.toLocal8Bit().constData());
        return help ? 0 : 2;
    }

    AppContext ctx;
    QTemporaryDir demoFolder;
    std::filesystem::path dataDir = options->dataDir.toStdString();
    if (dataDir.empty()) dataDir = options->demo ? std::filesystem::path(demoFolder.path().toStdString()) : AppPaths::DefaultDataDir();
    std::error_code ignored;
    std::filesystem::create_directories(dataDir, ignored);
    ctx.dataDir = dataDir;
    const AppPaths paths(dataDir);

    // Start-up: language, display check, decimal separator, folders.
    ctx.LanguageFlag = LoadLanguage(paths);
    ctx.UsbComPort = LoadInitCfg(paths).usbComPort();
    if (options->languageFlag) ctx.LanguageFlag = static_cast<std::int16_t>(*options->languageFlag);
    QScreen* screen = QApplication::primaryScreen();
    ctx.ScreenScale = ScreenScaleForDpi(screen ? screen->logicalDotsPerInchX() : 96.0);
    ApplyTheme(app, ctx.ScreenScale);

    std::unique_ptr<Tour> tour;
    QtPrompter livePrompter(ctx);
    if (touring) tour = std::make_unique<Tour>(options->tourDir, ctx);
    Prompter& prompter = tour ? tour->prompter() : static_cast<Prompter&>(livePrompter);

    const QSize screenSize = screen ? screen->size() : QSize(1920, 1080);
    // A measurement, a tour or a run without a display (the offscreen and minimal platforms: a
    // test, a server) is unattended: a message box would wait for a user who is not there, and
    // the start-up (the main window, the bridge server) would never come. The notice goes to
    // standard error instead.
    const QString platform = QGuiApplication::platformName();
    const bool headless = platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
    if (!touring && DisplayTooSmall(screenSize.width(), screenSize.height(), ctx.ScreenScale)) {
        if (options->timing || headless)
            std::fprintf(stderr, "plenum: %s\n", std::string(texts::kDisplayTooSmall.text.pick(ctx.LanguageFlag)).c_str());
        else
            Tell(prompter, ctx.LanguageFlag, texts::kDisplayTooSmall);
    }
    ctx.DecimalComma = QLocale::system().decimalPoint() != QStringLiteral(".");
    EnsureAeqFolders(paths);
    EnsureWorkFolders(paths);

    // The transports and, for the demo, the simulated loudspeakers they reach.
    std::vector<std::string> problems;
    comm::LinkSettings links = comm::LinkSettings::FromEnvironment(&problems);
    for (const std::string& problem : problems) std::fprintf(stderr, "plenum: %s\n", problem.c_str());
    if (options->devicePort) links.devicePort = *options->devicePort;
    std::unique_ptr<sim::Simulator> simulator;
        if (options->demo) {
        simulator = std::make_unique<sim::Simulator>();
        if (options->devicePort) simulator->setCommonPort(*options->devicePort);
        try {
            for (const sim::DeviceConfig& config : DemoDeviceConfigs()) simulator->add(config);
            simulator->start();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "plenum: the demo loudspeakers could not start: %s\n", e.what());
            return 1;
        }
        links.devicePort = simulator->commonPort();
    }
    comm::AsioNetworkTransport realNetwork(comm::kMainNetworkSlots);
    DemoNetwork demoNetwork(realNetwork);
    comm::NetworkTransport& network = options->demo ? static_cast<comm::NetworkTransport&>(demoNetwork) : realNetwork;
    comm::AsioNetworkTransport realSearchNetwork(comm::kSearchNetworkSlots);
    DemoNetwork demoSearchNetwork(realSearchNetwork);
    comm::NetworkTransport& searchNetwork =
        options->demo ? static_cast<comm::NetworkTransport&>(demoSearchNetwork) : realSearchNetwork;
    comm::AsioSerialTransport serial;
    comm::SteadySleeper sleeper;

    StartupScreen splash(ctx, options->startupMs);
    if (screen) splash.move(screen->geometry().center() - splash.rect().center());
    std::unique_ptr<MainWindow> window;
    double splashWaitMs = 0;
    Clock::time_point splashShown = Clock::now();

    QObject::connect(&splash, &StartupScreen::finished, &app, [&] {
        splashWaitMs = MillisecondsSince(splashShown);
        if (tour) tour->shootStartup(splash);
        MainWindowDeps deps{ctx,   paths, prompter, network, serial, sleeper, links, {}, true,
                            simulator ? links.devicePort : std::uint16_t{0}, &searchNetwork,
                            options->bridgePort.value_or(comm::kDefaultBridgePort)};
        window = std::make_unique<MainWindow>(deps);
        livePrompter.setParent(window.get());
        if (tour) tour->attach(*window);
        window->setFirstPaintHook([&] {
            const double firstPaintMs = MillisecondsSince(launched) - splashWaitMs;
            if (options->timing || tour)
                std::printf("start-up to the main window's first paint: %.1f ms (the %d ms start-up screen excluded)\n",
                            firstPaintMs, options->startupMs);
            if (options->timing) {
                int listed = 0;
                for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot) listed += ctx.device(slot).isPresent();
                std::printf("peak RSS at first paint with %d listed devices: %ld KiB\n", listed, PeakRssKiB());
                // A measurement leaves the session as it was: no exit question, nothing saved.
                QTimer::singleShot(0, &app, [] { QApplication::exit(0); });
            }
            std::fflush(stdout);
            if (tour) QTimer::singleShot(0, &app, [&] { tour->run(*window, *simulator); });
        });
        window->load();
        if (simulator && !DemoDevicesListed(ctx, *simulator)) {
            FillFoundTable(ctx, *simulator);
            window->mergeFoundDevices();
        }
        window->show();
        splash.close();
    });
    splash.show();
    splash.start();
    const int result = app.exec();
    if (options->timing || tour) std::printf("peak RSS: %ld KiB\n", PeakRssKiB());
    window.reset();
    if (simulator) simulator->stop();
    return result;
}

}  // namespace plenum::ui
