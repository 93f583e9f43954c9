#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdlib>

namespace
{
// A timer that does nothing: with TAVELO_BARE_TIMERS set, the bare window
// runs timers at the application's own rates, which shows what the rates
// alone cost.
class IdleTimer : public juce::Timer
{
public:
    void timerCallback() override {}
};
} // namespace

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

        if (std::getenv("TAVELO_BARE_TIMERS") != nullptr)
        {
            requestTick.startTimer(5);
            serialPoll.startTimer(200);
            midiPoll.startTimer(1000);
        }
    }

    void shutdown() override { window.reset(); }

private:
    std::unique_ptr<juce::DocumentWindow> window;
    IdleTimer requestTick, serialPoll, midiPoll;
};

START_JUCE_APPLICATION(BareWindowApp)
