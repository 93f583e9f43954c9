#include <juce_gui_basics/juce_gui_basics.h>

// The smallest JUCE window application: the yardstick for the application's
// start-up time and idle load.
class BareWindowApp : public juce::JUCEApplication
{
public:
    const juce::String getApplicationName() override { return "Bare Window"; }
    const juce::String getApplicationVersion() override { return "1.0.0"; }

    void initialise(const juce::String&) override
    {
        window = std::make_unique<juce::DocumentWindow>("Bare Window", juce::Colours::darkgrey,
                                                        juce::DocumentWindow::allButtons);
        window->centreWithSize(1440, 816);
        window->setVisible(true);
    }

    void shutdown() override { window.reset(); }

private:
    std::unique_ptr<juce::DocumentWindow> window;
};

START_JUCE_APPLICATION(BareWindowApp)
