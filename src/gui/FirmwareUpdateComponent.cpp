#include "gui/FirmwareUpdateComponent.h"

#include "common/Dictionary.h"
#include "common/FmtJuceString.h"
#include "core/Core.h"
#include "gui/Colours.h"
#include "gui/ProportionalLayout.h"
#include "update/FullUpdateThread.h"

#include <spdlog/spdlog.h>

#include <filesystem>

namespace
{
constexpr int refreshIntervalMs = 100;
const juce::String noFileSelected = "No file selected.";

// Only an existing regular file can be an archive: a folder (the chooser's
// start location is often the home folder) would run the back-up and the
// preset download before the archive step fails.
bool namesRegularFile(const juce::String& path)
{
    const std::filesystem::path candidate(path.toStdString());
    std::error_code error;
    return candidate.is_absolute() && std::filesystem::is_regular_file(candidate, error);
}
} // namespace

FirmwareUpdateComponent::FirmwareUpdateComponent(Core& coreToUse)
    : core(coreToUse)
    , values(core.values)
    , progress(std::make_shared<Progress>())
    , status(std::make_shared<Status>())
    , progressMirror(progress)
    , progressBar(progressMirror.value())
    , statusBinder(status->message, this)
    , longOperationBinder(values[Dictionary::firmwareLongOperation], this)
    , firmwarePathBinder(values[Dictionary::firmwareAbsolutePath], this)
    , updatePossibleBinder(values[Dictionary::canLaunchUpdate], this)
{
    statusLabel.setText("Choose the file to transfer", juce::dontSendNotification);
    statusLabel.setJustificationType(juce::Justification::centred);
    pathLabel.setText(noFileSelected, juce::dontSendNotification);
    pathLabel.setJustificationType(juce::Justification::centred);
    selectButton.setButtonText("Select Tavelo firmware");
    launchButton.setButtonText("Launch");

    launchButton.onClick = [this] { onLaunchClicked(); };
    setupFileChooser();
    selectButton.onClick = [this] { onSelectFileClicked(); };

    addChildComponent(selectButton);
    addChildComponent(launchButton);
    addChildComponent(pathLabel);
    addChildComponent(progressBar);
    addChildComponent(statusLabel);
    // The path value may already hold the start location (no change to hear
    // of), so the controls are set from the values now.
    updateVisibility();
}

FirmwareUpdateComponent::~FirmwareUpdateComponent()
{
    stopTimer();
}

void FirmwareUpdateComponent::setupFileChooser()
{
    const auto remembered = core.getUserProperties()->getValue(rememberedArchiveKey);

    auto start = juce::File::getSpecialLocation(juce::File::userHomeDirectory);
    if (remembered.isNotEmpty() && juce::File::isAbsolutePath(remembered))
    {
        const juce::File archive(remembered);
        if (archive.exists())
            start = archive;
        else if (archive.getParentDirectory().isDirectory())
            start = archive.getParentDirectory();
    }

    fileChooser = std::make_unique<juce::FileChooser>("Please select the Tavelo firmware", start,
                                                      "*.taveloupdate", true, false);
    values[Dictionary::firmwareAbsolutePath] = start.getFullPathName();
    pathLabel.setText(start.getFullPathName().fromLastOccurrenceOf("/", false, false),
                      juce::dontSendNotification);
}

void FirmwareUpdateComponent::onSelectFileClicked()
{
    fileChooser->launchAsync(juce::FileBrowserComponent::openMode |
                                 juce::FileBrowserComponent::canSelectFiles,
                             [this](const juce::FileChooser& chooser) { onFileChosen(chooser); });
}

void FirmwareUpdateComponent::onFileChosen(const juce::FileChooser& chooser)
{
    onFileChosen(chooser.getResult());
}

void FirmwareUpdateComponent::onFileChosen(const juce::File& chosen)
{
    if (chosen.existsAsFile())
    {
        setOutcomeShown(false);
        values[Dictionary::firmwareAbsolutePath] = chosen.getFullPathName();
        core.getUserProperties()->setValue(rememberedArchiveKey, chosen.getFullPathName());
        setupFileChooser();
        pathLabel.setText(chosen.getFileName(), juce::dontSendNotification);
    }
    else
    {
        // A cancel too; the last update's outcome stays readable all the same.
        pathLabel.setText(noFileSelected, juce::dontSendNotification);
        values[Dictionary::firmwareAbsolutePath] = noFileSelected;
    }
}

void FirmwareUpdateComponent::onLaunchClicked()
{
    // A double click, or a click before the update's start reaches this
    // thread, must not delete the running thread.
    if (updateUnderway || isUpdateThreadRunning())
        return;

    const auto path = values[Dictionary::firmwareAbsolutePath].toString();
    if (!namesRegularFile(path))
    {
        spdlog::warn("No file selected, cannot launch update");
        juce::AlertWindow::showMessageBoxAsync(juce::MessageBoxIconType::WarningIcon, "Warning",
                                               "You must select a file before launching the update.");
        return;
    }

    updateUnderway = true;
    ++launchCount;
    setOutcomeShown(false);
    updateVisibility();

    spdlog::info("Starting long operation.");
    const auto isFactory =
        values[Dictionary::currentTaveloVersionKey].toString().endsWithIgnoreCase("-factory");
    if (isFactory)
        spdlog::info("Factory firmware detected: no preset back up will be made.");

    auto thread = std::make_unique<FullUpdateThread>(
        core, std::vector<std::filesystem::path>{path.toStdString()}, progress, status, isFactory);
    thread->setStatusMessage("Please select a file");
    core.longOperation = std::move(thread);

    if (!core.longOperation->startThread())
    {
        spdlog::error("Could not start the update thread");
        finishUpdate();
        return;
    }
    startTimer(refreshIntervalMs);
}

void FirmwareUpdateComponent::valueChanged(juce::Value& value)
{
    if (!value.refersToSameSourceAs(status->message))
    {
        followLongOperation(isLongOperationRunning());
        updateVisibility();
    }
    else
    {
        statusLabel.setText(readStatusText(*status), juce::dontSendNotification);
    }
    resized();
}

// The flag's notifications can merge (true and back to false before the
// first is delivered), so an update launched here also ends when its thread
// is seen to have ended; an update seen only through the flag ends with it.
void FirmwareUpdateComponent::followLongOperation(bool running)
{
    if (running == longOperationSeen)
        return;
    longOperationSeen = running;

    if (!running)
    {
        finishUpdate();
        return;
    }
    setOutcomeShown(false);
    progressMirror.refresh();
    startTimer(refreshIntervalMs);
}

void FirmwareUpdateComponent::timerCallback()
{
    progressMirror.refresh();
    if (!updateUnderway || isUpdateThreadRunning())
        return;

    stopTimer();
    // What the thread posted before it ended (its flips of the flag) is
    // queued before this call.
    juce::MessageManager::callAsync(
        [panel = juce::Component::SafePointer<FirmwareUpdateComponent>(this), launch = launchCount]
        {
            if (panel != nullptr && panel->launchCount == launch && panel->updateUnderway)
                panel->finishUpdate();
        });
}

void FirmwareUpdateComponent::finishUpdate()
{
    stopTimer();
    progressMirror.refresh();
    longOperationSeen = false;
    updateUnderway = false;
    setOutcomeShown(true);
    updateVisibility();
}

void FirmwareUpdateComponent::setOutcomeShown(bool shown)
{
    if (shown == showingOutcome)
        return;
    showingOutcome = shown;
    updateVisibility();
    resized();
    if (onOutcomeShownChanged)
        onOutcomeShownChanged();
}

void FirmwareUpdateComponent::updateVisibility()
{
    const auto running = isLongOperationRunning();
    const auto path = values[Dictionary::firmwareAbsolutePath].toString();
    const bool updatePossible = values[Dictionary::canLaunchUpdate].getValue();

    pathLabel.setVisible(!running);
    selectButton.setVisible(!running);
    // After the update its outcome stays readable; a full bar on the light
    // window would only read as an empty strip.
    progressBar.setVisible(running);
    statusLabel.setVisible(running || showingOutcome);
    launchButton.setVisible(namesRegularFile(path) && !running && updatePossible);
    // Disabled at the click itself, not when the update's start arrives.
    launchButton.setEnabled(!updateUnderway);
    repaint();
}

bool FirmwareUpdateComponent::isLongOperationRunning()
{
    return values[Dictionary::firmwareLongOperation].getValue();
}

bool FirmwareUpdateComponent::isUpdateThreadRunning() const
{
    return core.longOperation != nullptr && core.longOperation->isThreadRunning();
}

void FirmwareUpdateComponent::paint(juce::Graphics& g)
{
    if (isLongOperationRunning())
        return;
    g.setColour(gui::Colours::grey1);
    g.drawRoundedRectangle(getLocalBounds().toFloat(), 8.0f, 1.0f);
}

void FirmwareUpdateComponent::resized()
{
    const auto width = static_cast<float>(getWidth());
    const auto height = static_cast<float>(getHeight());

    if (isLongOperationRunning())
    {
        juce::FlexBox box(juce::FlexBox::Direction::column, juce::FlexBox::Wrap::noWrap,
                          juce::FlexBox::AlignContent::stretch, juce::FlexBox::AlignItems::center,
                          juce::FlexBox::JustifyContent::spaceAround);
        box.items.add(juce::FlexItem(statusLabel)
                          .withFlex(1.0f, 1.0f, 0.0f)
                          .withAlignSelf(juce::FlexItem::AlignSelf::stretch)
                          .withMinWidth(20.0f)
                          .withMinHeight(20.0f)
                          .withMaxHeight(80.0f));
        box.items.add(juce::FlexItem(progressBar)
                          .withFlex(1.0f, 1.0f, 0.0f)
                          .withAlignSelf(juce::FlexItem::AlignSelf::stretch)
                          .withMinWidth(20.0f)
                          .withMaxHeight(15.0f));
        box.performLayout(juce::Rectangle<float>(0.0f, 0.0f, width, height));
        return;
    }

    const juce::Rectangle<float> area(width * 0.05f, height * 0.025f, width * 0.9f, height * 0.95f);
    if (!showingOutcome)
    {
        layOutFileControls(area);
        return;
    }

    // The outcome across the upper half, the file controls in the lower.
    const auto x0 = area.getX();
    const auto y0 = area.getY();
    const auto w = area.getWidth();
    const auto h = area.getHeight();
    statusLabel.setBounds(gui::roundedRectangle(x0, y0, w, h * 0.5f));
    layOutFileControls({x0, y0 + h * 0.5f, w, h * 0.5f});
}

void FirmwareUpdateComponent::layOutFileControls(juce::Rectangle<float> area)
{
    const auto x0 = area.getX();
    const auto y0 = area.getY();
    const auto w = area.getWidth();
    const auto h = area.getHeight();
    pathLabel.setBounds(gui::roundedRectangle(x0, y0 + h * 0.05f, w * 0.5f, h * 0.9f));
    selectButton.setBounds(gui::roundedRectangle(x0 + w * 0.55f, y0 + h * 0.1f, w * 0.2f, h * 0.8f));
    launchButton.setBounds(gui::roundedRectangle(x0 + w * 0.8f, y0 + h * 0.1f, w * 0.2f, h * 0.8f));
}
