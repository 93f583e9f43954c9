#pragma once

#include "app/WindowConstrainer.h"
#include "gui/TaveloUpdaterLookAndFeel.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

class Core;

// The application's only window. Its close button and Ctrl-Q ask the
// application to quit.
class MainWindow : public juce::DocumentWindow
{
public:
    MainWindow(const juce::String& name, Core& core);
    ~MainWindow() override;

    void closeButtonPressed() override;
    bool keyPressed(const juce::KeyPress& key) override;

    // Where the close button and Ctrl-Q go: the running application's
    // systemRequestedQuit.
    std::function<void()> onQuitRequested = []
    {
        if (auto* application = juce::JUCEApplication::getInstance())
            application->systemRequestedQuit();
    };

private:
    // Built before the content and detached before destruction.
    TaveloUpdaterLookAndFeel lookAndFeel;
    // The aspect ratio and the size limits, applied to every resize, and the
    // title bar kept on the screen on every move.
    WindowConstrainer constrainer;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(MainWindow)
};
