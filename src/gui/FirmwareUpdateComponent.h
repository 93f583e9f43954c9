#pragma once

#include "common/Progress.h"
#include "common/SharedValueTable.h"
#include "common/Status.h"
#include "common/ValueListenerBinder.h"
#include "gui/ActionButton.h"
#include "gui/DefaultLabel.h"
#include "gui/ProgressMirror.h"
#include "gui/SelectedPathLabel.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>

class Core;

// The update panel: choose an archive, launch the update, follow its status
// and progress, and read its outcome afterwards.
class FirmwareUpdateComponent : public juce::Component, private juce::Value::Listener, private juce::Timer
{
public:
    // The user property that remembers the last chosen archive.
    static constexpr const char* rememberedArchiveKey = "Absolute path to the default firmware folder";

    explicit FirmwareUpdateComponent(Core& core);
    ~FirmwareUpdateComponent() override;

    void paint(juce::Graphics& g) override;
    void resized() override;

    void setupFileChooser();
    void onSelectFileClicked();
    void onFileChosen(const juce::FileChooser& chooser);
    void onFileChosen(const juce::File& chosen);
    void onLaunchClicked();

    // From the end of an update until the user chooses a file or launches
    // again, the last status text stays on show (the bar does not).
    bool isShowingOutcome() const noexcept { return showingOutcome; }
    std::function<void()> onOutcomeShownChanged;

    // What every update launched here writes and this panel shows.
    SharedProgress getProgress() const { return progress; }
    std::shared_ptr<Status> getStatus() const { return status; }

private:
    void valueChanged(juce::Value& value) override;
    void timerCallback() override;
    void followLongOperation(bool running);
    void finishUpdate();
    void setOutcomeShown(bool shown);
    void updateVisibility();
    bool isLongOperationRunning();
    bool isUpdateThreadRunning() const;
    void layOutFileControls(juce::Rectangle<float> area);

    Core& core;
    SharedValueTable& values;
    const SharedProgress progress;
    const std::shared_ptr<Status> status;
    gui::DefaultLabel statusLabel;
    ProgressMirror progressMirror;
    juce::ProgressBar progressBar;
    std::unique_ptr<juce::FileChooser> fileChooser;
    gui::ActionButton selectButton;
    gui::ActionButton launchButton;
    gui::SelectedPathLabel pathLabel;

    // From the click on Launch to the end of that update as the message
    // thread sees it: a second click in between must not replace the thread.
    bool updateUnderway = false;
    int launchCount = 0;
    bool showingOutcome = false;
    bool longOperationSeen = false;

    ValueListenerBinder statusBinder;
    ValueListenerBinder longOperationBinder;
    ValueListenerBinder firmwarePathBinder;
    // The outcome can stay on show after the instrument has gone; Launch
    // then waits for it.
    ValueListenerBinder updatePossibleBinder;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(FirmwareUpdateComponent)
};
