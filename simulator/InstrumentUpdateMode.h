#pragma once

#include "SimulatedInstrument.h"
#include "UpdateModeSerialPort.h"

#include "serial/PortInfo.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace simulator
{
struct UpdateModeOptions
{
    using ms = std::chrono::milliseconds;
    enum class PortFault
    {
        none,
        neverShown,
        shownLate
    };
    struct TransferFault
    {
        UpdateModeSerialPort::Fault fault = UpdateModeSerialPort::Fault::none;
        // The image the fault strikes, by its size.
        size_t imageSize = 0;
    };

    // From the update-mode message to the serial port (0 to 8 s).
    ms delayBeforeUpdateMode{0};
    // The MIDI ports stay while in update mode instead of going.
    bool portsStayInUpdateMode = false;
    // Ports that stayed go this long after the main firmware's transfer,
    // when the restart begins; empty: they never go.
    std::optional<ms> portsDropAfterTransfer = ms(0);
    // From the end of the main firmware's transfer to the ports' return.
    ms restartTime{1000};
    bool comesBack = true;
    // The shortest time between the two configure messages it accepts.
    ms configureGap{1000};
    // shownLate: 7 s after entering update mode.
    PortFault portFault = PortFault::none;
    TransferFault firmwareFault;
    TransferFault soundEngineFault;
};

// What a real instrument does around an update, added to the simulated
// one: it takes the direct messages (recorded), enters
// update mode after a delay, shows its serial port with a real YModem
// receiver behind it, restarts with a new firmware version after the main
// firmware, and after the sound engine's image stays installing until it is
// power-cycled. All of it on a thread of its own ("Sim update").
class InstrumentUpdateMode
{
public:
    static constexpr const char* hardwareId = "USB VID:PID=5c6d:0010 SNR=TVP00421187";

    enum class Phase
    {
        running,
        enteringUpdateMode,
        firmwareUpdateMode,
        soundEngineUpdateMode,
        restarting,
        installing,
        gone
    };
    struct DirectMessage
    {
        std::string name;
        bool accepted;
    };
    struct ReceivedImage
    {
        UpdateModeSerialPort::ReceivedFile file;
        bool receiverSucceeded;
    };

    InstrumentUpdateMode(SimulatedInstrument& instrument, std::filesystem::path workFolder,
                         UpdateModeOptions options = {});
    ~InstrumentUpdateMode();

    InstrumentUpdateMode(const InstrumentUpdateMode&) = delete;
    InstrumentUpdateMode& operator=(const InstrumentUpdateMode&) = delete;

    // The serial port listing with the instrument's port while it shows;
    // any thread.
    std::vector<serial::PortInfo> listPorts() const;

    std::vector<DirectMessage> directMessages() const;
    std::vector<ReceivedImage> receivedImages() const;
    Phase phase() const;

    // Off and on again: ends the installation, back with the new version.
    void powerCycle();

private:
    using Clock = std::chrono::steady_clock;
    struct Event
    {
        Clock::time_point due;
        std::function<void()> action;
    };

    void received(const juce::MidiMessage& message);
    bool accept(const std::string& name, Clock::time_point now);
    void schedule(std::chrono::milliseconds delay, std::function<void()> action);
    void run();
    void runDueEvents();
    void enterUpdateMode(bool soundEngine);
    void showPort(bool show);
    void transferEnded();
    void restart(bool withNewFirmware);

    SimulatedInstrument& instrument;
    const std::filesystem::path folder;
    const UpdateModeOptions options;

    mutable std::mutex mutex;
    std::condition_variable changed;
    std::vector<Event> events;
    std::vector<DirectMessage> messages;
    std::vector<ReceivedImage> images;
    std::optional<Clock::time_point> configureFirst, configureSecond;
    Phase currentPhase = Phase::running;
    bool portsConnected = true;
    std::optional<serial::PortInfo> listedPort;
    bool stopping = false;
    int transfers = 0;

    // Used on the event thread only.
    std::unique_ptr<UpdateModeSerialPort> port;
    bool portIsSoundEngines = false;
    std::thread thread;
};
} // namespace simulator
