#include "PresetDialogue.h"
#include "UpdateRig.h"
#include "WindowTestSupport.h"

#include "app/UpdateQuitGuard.h"
#include "gui/ActionButton.h"
#include "gui/FirmwareUpdateComponent.h"
#include "gui/SelectedPathLabel.h"
#include "gui/SysInfoComponent.h"
#include "gui/USBComponent.h"
#include "support/MessageLoop.h"
#include "update/TaveloPersistentData.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <fstream>

using namespace std::chrono_literals;
using guitest::findAll;
using guitest::findFirst;
using guitest::settle;
using simulator::PresetDialogue;
using updatetest::UpdateRig;
using Phase = simulator::InstrumentUpdateMode::Phase;

namespace guitest
{
void ignoreXErrors();
}

namespace
{
constexpr size_t firmwareSize = 300 * 1024, dspSize = 1024 * 1024;

// Every slot with data of its own; the awkward names that the 7-bit wire
// carries exactly (slashes, "..", commas, NUL, quotes, "#", "%", duplicates).
PresetDialogue::Bank presetBank()
{
    auto bank = PresetDialogue::makeAwkwardBank();
    for (size_t slot = 0; slot < bank.size(); ++slot)
    {
        auto& name = bank[slot].name;
        if (!name || std::any_of(name->begin(), name->end(), [](char c) { return (c & 0x80) != 0; }))
            name = "Preset " + std::to_string(slot);
    }
    return bank;
}

std::filesystem::path writeArchive(const std::filesystem::path& folder, const std::string& firmware,
                                   const std::string& dsp)
{
    juce::ZipFile::Builder builder;
    for (const auto& [name, content] :
         {std::pair{UpdateRig::firmwareName, &firmware}, {UpdateRig::dspName, &dsp}})
        builder.addEntry(
            std::make_unique<juce::MemoryInputStream>(content->data(), content->size(), false).release(), 0,
            name, juce::Time::getCurrentTime());
    const auto archive = folder / "update.taveloupdate";
    juce::FileOutputStream out(juce::File(archive.string()));
    builder.writeToStream(out, nullptr);
    return archive;
}

// The rb this process runs for the transfer under way, stopped while this
// lives, so that a picture shows the transfer half-way.
class HeldReceiver
{
public:
    HeldReceiver()
    {
        for (const auto& entry : std::filesystem::directory_iterator("/proc"))
        {
            std::ifstream stat(entry.path() / "stat");
            std::string id, command;
            char state = 0;
            pid_t parent = 0;
            if (stat >> id >> command >> state >> parent && command == "(rb)" && state != 'Z' &&
                parent == getpid())
                pid = std::stoi(id);
        }
        if (pid > 0)
            kill(pid, SIGSTOP);
    }
    ~HeldReceiver()
    {
        if (pid > 0)
            kill(pid, SIGCONT);
    }

private:
    pid_t pid = -1;
};

// The rig's Core, simulated instrument and rb behind the application's own
// window, with its quit guard as the application wires it.
struct WindowUpdate
{
    explicit WindowUpdate(const std::function<void(UpdateRig::Setup&)>& arrange = {})
        : rig(
              [&]
              {
                  UpdateRig::Setup setup;
                  // Later than the first open: "Rebooting Tavelo ..." always shows.
                  setup.updateMode.delayBeforeUpdateMode = 1000ms;
                  setup.updateMode.configureGap = 100ms;
                  if (arrange)
                      arrange(setup);
                  return setup;
              }())
    {
        static const bool handled = (guitest::ignoreXErrors(), true);
        (void)handled;
        rig.soundEngine.setResponder([this](const juce::MidiMessage& m)
                                     { return engine.load()->respond(m); });
        window = std::make_unique<MainWindow>("Tavelo Updater", *rig.core);
        window->onQuitRequested = [this] { guard.requestQuit(); };
    }
    ~WindowUpdate()
    {
        guitest::dismissAlerts();
        window.reset();
    }

    FirmwareUpdateComponent& panel() { return findFirst<FirmwareUpdateComponent>(*window); }
    juce::String status() { return readStatusText(*panel().getStatus()); }
    double progress() { return panel().getProgress()->get(); }
    bool running() { return rig.core->longOperation && rig.core->longOperation->isThreadRunning(); }
    // The status lines of the application log, in order.
    std::string trail()
    {
        std::string joined;
        for (const auto& text : rig.statusTexts())
            joined += (joined.empty() ? "" : "|") + text;
        return joined;
    }
    bool logged(const std::string& text)
    {
        return ("|" + trail() + "|").find("|" + text + "|") != std::string::npos;
    }
    static juce::Button* button(juce::Component& parent, const juce::String& text)
    {
        for (auto* b : findAll<juce::Button>(parent))
            if (b->getButtonText() == text && b->isShowing())
                return b;
        return nullptr;
    }
    // Down and up at the component's centre, through its window's peer.
    static void click(juce::Component& target)
    {
        auto* peer = target.getPeer();
        ASSERT_NE(peer, nullptr);
        const auto at =
            peer->getComponent().getLocalPoint(&target, target.getLocalBounds().getCentre()).toFloat();
        const auto time = juce::Time::currentTimeMillis();
        for (const int mods : {0, int(juce::ModifierKeys::leftButtonModifier), 0})
            peer->handleMouseEvent(juce::MouseInputSource::InputSourceType::mouse, at,
                                   juce::ModifierKeys(mods), juce::MouseInputSource::defaultPressure,
                                   juce::MouseInputSource::defaultOrientation, time);
    }
    juce::Label& statusLabel()
    {
        for (auto* label : findAll<gui::DefaultLabel>(panel()))
            if (dynamic_cast<gui::SelectedPathLabel*>(label) == nullptr)
                return *label;
        throw std::runtime_error("no status label");
    }
    bool showsLabel(const juce::String& text)
    {
        return statusLabel().isShowing() && statusLabel().getText() == text;
    }
    void shoot(const char* stage, std::chrono::milliseconds glide = 0ms)
    {
        // The bar glides to its number.
        testsupport::pumpMessages(glide);
        guitest::saveSnapshot(*window, juce::String("update-") + stage);
        std::cout << "[ picture  ] update-" << stage << ".png: \"" << status() << "\" at "
                  << juce::roundToInt(progress() * 100) << " %\n";
    }
    // Stops the transfer's receiver once the transfer is that far.
    std::unique_ptr<HeldReceiver> holdTransferAt(double fraction)
    {
        testsupport::pumpUntil([&] { return progress() >= fraction; }, 60s);
        return std::make_unique<HeldReceiver>();
    }
    // The header's connection text and the three device fields, as shown.
    juce::String header()
    {
        auto text = findFirst<juce::Label>(findFirst<USBComponent>(*window)).getText();
        for (auto* field : findAll<SysInfoComponent>(*window))
            text << "/" << (field->isShowing() ? field->getText() : "");
        return text;
    }
    void connectAndLaunch(bool shoot)
    {
        ASSERT_TRUE(settle(
            [&]
            { return header() == "connected/serial n.  TVP-0042-1187/firmware v.  2.3.1/dsp v.  1.8.0"; }));
        if (shoot)
            this->shoot("connected");
        panel().onFileChosen(juce::File(writeArchive(rig.folder.path(), firmware, dsp).string()));
        ASSERT_TRUE(settle([&] { return button(panel(), "Launch") != nullptr; }));
        if (shoot)
            this->shoot("file-chosen");
        click(*button(panel(), "Launch"));
        ASSERT_TRUE(settle([&] { return running(); }));
    }
    // A failure leaves the back-up and the downloaded presets on disk.
    static std::string snapshotContents()
    {
        int backUps = 0, presets = 0, groups = 0;
        for (const auto& file :
             TaveloPersistentData::getLastSnapshotFolder().findChildFiles(juce::File::findFiles, false))
        {
            const auto name = file.getFileName();
            backUps += juce::StringArray{"whitekey_sensors_grid.csv", "blackkey_sensors_grid.csv",
                                         "playing_grid.csv", "tavelo.log"}
                           .contains(name) &&
                       file.getSize() > 0;
            presets += name.endsWith(".mid");
            groups += name.startsWith("group") && name.endsWith(".txt");
        }
        return std::to_string(backUps) + " back-up, " + std::to_string(presets) + " preset, " +
               std::to_string(groups) + " group files";
    }

    const std::string firmware = testsupport::randomContent(firmwareSize, 11);
    const std::string dsp = testsupport::randomContent(dspSize, 12);
    PresetDialogue before{presetBank()}, after;
    std::atomic<PresetDialogue*> engine{&before};
    UpdateRig rig;
    int quits = 0;
    UpdateQuitGuard guard{*rig.core, [this] { ++quits; }};
    std::unique_ptr<MainWindow> window;
};

const std::string allFiles = "4 back-up, 128 preset, 8 group files";

TEST(WholeUpdateInWindow, aUserUpdatesAndGetsEverythingBack)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under Xvfb (xvfb-run)";
    WindowUpdate app;
    // Answers that take their time: the back-up lasts long enough to be seen.
    app.rig.instrument.setLatency(20ms);
    app.connectAndLaunch(true);
    // A picture of each stage while it lasts, or of the next on a machine too busy to catch it.
    settle([&] { return app.showsLabel("Downloading back up.") || app.logged("Downloading user presets."); });
    app.shoot("back-up");
    app.rig.instrument.setLatency(0ms);

    // The new firmware leaves no user presets behind.
    ASSERT_TRUE(settle([&] { return app.logged("Opening update file."); }, 60s));
    app.engine = &app.after;
    {
        const auto held = app.holdTransferAt(0.3);
        app.shoot("firmware-transfer", 1500ms);
    }
    // The version comes back only through the message loop: while it stands
    // still, the restart wait does too.
    settle([&] { return app.showsLabel("Waiting for reboot.") || app.logged("Updating DSP."); }, 60s);
    app.shoot("waiting-for-reboot");
    {
        const auto held = app.holdTransferAt(0.6);
        app.shoot("sound-engine-transfer", 1500ms);
    }
    ASSERT_TRUE(settle([&] { return app.showsLabel(UpdateRig::powerCycleText); }, 60s));
    app.shoot("power-cycle-request");
    ASSERT_TRUE(settle([&] { return app.rig.updateMode.phase() == Phase::installing; }));
    app.rig.updateMode.powerCycle();
    ASSERT_TRUE(settle([&] { return !app.running(); }, 60s)) << app.status();
    ASSERT_TRUE(settle([&] { return !app.rig.alerts().empty(); }));
    app.shoot("finished", 1500ms);

    EXPECT_TRUE(app.showsLabel("Update finished."));
    EXPECT_TRUE(app.panel().isShowingOutcome());
    EXPECT_FALSE(findFirst<juce::ProgressBar>(app.panel()).isShowing()) << "the outcome alone, no full bar";
    // The simulated engine keeps its version through the power cycle.
    EXPECT_TRUE(settle(
        [&]
        { return app.header() == "connected/serial n.  TVP-0042-1187/firmware v.  2.4.0/dsp v.  1.8.0"; }));
    ASSERT_EQ(app.rig.alerts().size(), 1u);
    EXPECT_EQ(app.rig.alerts()[0].icon, juce::MessageBoxIconType::InfoIcon);
    EXPECT_EQ(app.rig.alerts()[0].title, "Update finished successfully");

    const auto images = app.rig.updateMode.receivedImages();
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].file.name, UpdateRig::firmwareName);
    EXPECT_TRUE(images[0].file.content == app.firmware);
    EXPECT_EQ(images[1].file.name, UpdateRig::dspName);
    EXPECT_TRUE(images[1].file.content == app.dsp);

    for (int slot = 0; slot < PresetDialogue::presetCount; ++slot)
    {
        const auto original = app.before.getPreset(slot), restored = app.after.getPreset(slot);
        EXPECT_EQ(restored.name, original.name) << "slot " << slot;
        std::vector<std::vector<juce::uint8>> bytes[2];
        for (const auto* preset : {&original, &restored})
            for (const auto& m : preset->data)
                bytes[preset == &restored].emplace_back(m.getRawData(), m.getRawData() + m.getRawDataSize());
        EXPECT_EQ(bytes[1], bytes[0]) << "slot " << slot;
    }
    EXPECT_EQ(WindowUpdate::snapshotContents(), allFiles);
    EXPECT_FALSE(app.rig.temporaryFoldersLeft());
    EXPECT_EQ(app.trail(),
              "Please select a file|Downloading back up.|Downloading user presets.|"
              "Opening update file.|Updating firmware.|Preparing the update ...|Rebooting Tavelo ...|"
              "Firmware update: Sending header ...|Firmware update: Sending firmware ...|"
              "Firmware update: Update complete ! |Waiting for reboot.|Updating DSP.|"
              "Preparing the update ...|Rebooting Tavelo ...|DSP update: Sending header ...|"
              "DSP update: Sending firmware ...|DSP update: Update complete ! |" +
                  std::string(UpdateRig::powerCycleText) + "|Re-uploading presets.|Update finished.");
}

struct Fault
{
    const char* name;
    std::function<void(UpdateRig::Setup&)> arrange;
    bool closeWindow;
    std::string finalStatus;         // a regular expression
    std::vector<std::string> alerts; // "title: message"
    std::string onTheWay;            // a status text shown before the end
};

void PrintTo(const Fault& row, std::ostream* out)
{
    *out << row.name;
}

using PortFault = simulator::UpdateModeSerialPort::Fault;
// clang-format off
const Fault faults[] = {
    {"rbKilledMidFirmware",
     [](UpdateRig::Setup& s) { s.updateMode.firmwareFault = {PortFault::receiverKilledMidway, firmwareSize}; },
     false, "Error: Failed to send the firmware file\\.", {}, "Transmission aborted."},
    // Goes on after the time-out, to an instrument that is not there.
    {"neverBackAfterFirmware",
     [](UpdateRig::Setup& s) { s.updateMode.comesBack = false; s.timing.restartWaitSteps = 20; },
     false, "Error: Failed to prepare the DSP update\\.", {"Error: Waited to much time for the device to reboot."},
     "Updating DSP."},
    // A stop; a failed transfer only when the sender meets the closed port before the stop request.
    {"windowClosedDuringSoundEngineTransfer", {},
     true, "(Error: Failed to send the ormel file|Operation aborted)\\.", {}, "DSP update: Sending firmware ..."},
};
// clang-format on

struct FaultInWindow : testing::TestWithParam<Fault>
{
};

TEST_P(FaultInWindow, theUserSeesWhatHappenedAndNothingIsLost)
{
    const auto& row = GetParam();
    WindowUpdate app(row.arrange);
    app.connectAndLaunch(false);
    if (row.closeWindow)
    {
        auto held = app.holdTransferAt(0.6);
        WindowUpdate::click(*app.window->getCloseButton());
        ASSERT_TRUE(settle([] { return guitest::openAlerts().size() == 1; }));
        EXPECT_EQ(guitest::openAlerts()[0]->getDescription(),
                  juce::String("Warning. ") + UpdateQuitGuard::question);
        const auto asked = std::chrono::steady_clock::now();
        auto* quit = WindowUpdate::button(*guitest::openAlerts()[0], "Quit");
        ASSERT_NE(quit, nullptr);
        WindowUpdate::click(*quit);
        ASSERT_TRUE(settle([&] { return app.quits > 0; }));
        const std::chrono::duration<double> stop = std::chrono::steady_clock::now() - asked;
        std::cout << "[ stop     ] quit " << stop.count() << " s after the confirmation\n";
        EXPECT_LT(stop, 10s) << "the target is 2 s";
        EXPECT_EQ(app.rig.core->longOperation, nullptr);
        held.reset();
    }
    ASSERT_TRUE(settle([&] { return !app.running(); }, 90s)) << app.status();
    testsupport::pumpMessages(300ms);

    EXPECT_THAT(app.status().toStdString(), testing::MatchesRegex(row.finalStatus));
    EXPECT_TRUE(app.logged(row.onTheWay));
    std::vector<std::string> alerts;
    for (const auto& alert : app.rig.alerts())
        alerts.push_back((alert.title + ": " + alert.message).toStdString());
    EXPECT_EQ(alerts, row.alerts);
    EXPECT_EQ(WindowUpdate::snapshotContents(), allFiles);
    EXPECT_FALSE(app.rig.core->serialDeviceFacade.serialPort.isOpen());
    EXPECT_FALSE(app.rig.temporaryFoldersLeft());
    EXPECT_EQ(app.quits, row.closeWindow ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(EachFault, FaultInWindow, testing::ValuesIn(faults),
                         [](const auto& test) { return std::string(test.param.name); });
} // namespace
