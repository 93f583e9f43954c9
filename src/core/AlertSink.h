#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// Where the update's alerts go: the framework's alert windows in the
// application, a recorder in tests. Called on the message thread.
class AlertSink
{
public:
    virtual ~AlertSink() = default;
    virtual void showAlert(juce::MessageBoxIconType icon, const juce::String& title,
                           const juce::String& message) = 0;
};

// The framework's own asynchronous alert window, without buttons text,
// parent or callback.
class JuceAlertSink final : public AlertSink
{
public:
    void showAlert(juce::MessageBoxIconType icon, const juce::String& title,
                   const juce::String& message) override
    {
        juce::AlertWindow::showMessageBoxAsync(icon, title, message);
    }
};
