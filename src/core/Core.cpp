#include "core/Core.h"

#include "common/Dictionary.h"
#include "common/FmtJuceString.h"
#include "common/JuceStrings.h"
#include "core/CoreExceptions.h"

#include <juce_events/juce_events.h>
#include <spdlog/spdlog.h>

#include <algorithm>

Core::Core(PlatformServices services)
    : values(makeInitialValues())
    , serialDeviceFacade(values, services.listSerialPorts)
    , midiDeviceFacade(values, services.midiSystem)
    , updateTiming(services.updateTiming)
    , alertSink(std::move(services.alertSink))
    , sleepInhibitor(std::move(services.inhibitSleep))
    , aliveToken(std::make_shared<Core*>(this))
{
    updateAvailableChecker = std::make_unique<UpdateAvailableChecker>(values);
    logMachineDescription();
    configureProperties();
}

Core::~Core()
{
    // The update thread first: it reads the update checker, the facades
    // and the values until it has stopped.
    longOperation.reset();
    *aliveToken = nullptr;
    updateAvailableChecker.reset();
}

// Filled before any facade exists, so a facade's first writes are never
// overwritten by an initial value.
SharedValueTable Core::makeInitialValues()
{
    SharedValueTable table;
    table[Dictionary::midiDevicesKey] = juce::var(juce::Array<juce::var>());
    table[Dictionary::selectedMidiDeviceKey] = juce::String();
    table[Dictionary::currentTaveloVersionKey] = utils::toJuceString(Dictionary::noVersionFound);
    table[Dictionary::currentPirelMatrixVersionKey] = utils::toJuceString(Dictionary::noVersionFound);
    table[Dictionary::casingSerialNumber] = utils::toJuceString(Dictionary::noSerialNumber);
    table[Dictionary::firmwareAbsolutePath] = "No file selected.";
    table[Dictionary::taveloSerialStatus] = false;
    table[Dictionary::downloadCalibDir] = "No directory selected.";
    table["downloadCalib/white"] = true;
    table["downloadCalib/black"] = true;
    table["downloadCalib/touch"] = true;
    table["downloadCalib/logs"] = true;
    table[Dictionary::uploadCalibDir] = "No directory selected.";
    table["uploadCalib/white"] = true;
    table["uploadCalib/black"] = true;
    table["uploadCalib/touch"] = true;
    table["uploadCalib/logs"] = true;
    table["longOperationProgress"] = 0;
    table["longOperationStatus"] = juce::String();
    table[Dictionary::firmwareLongOperation] = false;
    return table;
}

void Core::logMachineDescription()
{
    using juce::SystemStats;
    spdlog::info("Starting Core");
    spdlog::info("Application ID: {}", "TaveloUpdater_v1.1.3");
    spdlog::info("Operating system: {}", SystemStats::getOperatingSystemName());
    spdlog::info("Device description: {}", SystemStats::getDeviceDescription());
    spdlog::info("CPU infos: Vendor: {}, Model: {}, Speed: {}Mhz, Num cores: {}", SystemStats::getCpuVendor(),
                 SystemStats::getCpuModel(), SystemStats::getCpuSpeedInMegahertz(),
                 SystemStats::getNumCpus());
    spdlog::info("Available RAM: {}MB", SystemStats::getMemorySizeInMegabytes());
}

void Core::configureProperties()
{
    juce::PropertiesFile::Options options;
    options.applicationName = "Tavelo Updater";
    options.filenameSuffix = ".settings";
    options.folderName = "TaveloUpdater";
    options.osxLibrarySubFolder = "Application Support";
    options.commonToAllUsers = false;
    options.ignoreCaseOfKeyNames = false;
    options.doNotSave = false;
    options.millisecondsBeforeSaving = 3000;
    options.storageFormat = juce::PropertiesFile::storeAsXML;
    options.processLock = nullptr;
    properties.setStorageParameters(options);
}

juce::PropertiesFile* Core::getUserProperties()
{
    return properties.getUserSettings();
}

void Core::toggleFirmwareLongOperation()
{
    juce::MessageManager::callAsync(
        [token = aliveToken]
        {
            if (auto* core = *token)
            {
                auto& flag = core->values[Dictionary::firmwareLongOperation];
                flag = !static_cast<bool>(flag.getValue());
            }
        });
}

void Core::openSerialDevice()
{
    const serial::PortInfo held = serialDeviceFacade.serialWatcher.getPort();
    const std::vector<serial::PortInfo> ports = serialDeviceFacade.serialWatcher.listPorts();
    const auto match = std::find_if(ports.begin(), ports.end(),
                                    [&held](const serial::PortInfo& port)
                                    { return !held.port.empty() && port.port == held.port; });
    if (match == ports.end())
    {
        spdlog::warn("Could not find serial device");
        throw CoreExceptions::CouldNotFindDevice(utils::toJuceString(SerialWatcher::instrumentHardwareId));
    }

    auto& port = serialDeviceFacade.serialPort;
    port.setBaudrate(115200);
    port.setPort(match->port);
    const serial::Timeout transferTimeouts(100000, 30000, 20, 100000, 20);
    port.setTimeout(transferTimeouts);

    spdlog::info("Opening serial port: {}", match->port);
    try
    {
        port.open();
    }
    catch (const serial::IOException&)
    {
        spdlog::warn("Could not open serial device");
        throw CoreExceptions::CouldNotOpenInputDevice(juce::String(match->port));
    }
}
