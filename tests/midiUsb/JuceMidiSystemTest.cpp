#include "midiUsb/JuceMidiSystem.h"

#include <gtest/gtest.h>

namespace
{
struct NoReceiver : midiUsb::MidiInputReceiver
{
    void midiMessageReceived(midiUsb::MidiInputPort&, const juce::MidiMessage&) override {}
};

// Without an ALSA sequencer the framework would print an error on every
// poll of the device lists, that is every second.
TEST(JuceMidiSystem, ListingWithoutAMidiServiceIsQuiet)
{
    if (midiUsb::JuceMidiSystem::isMidiServiceAvailable())
        GTEST_SKIP() << "this machine has a MIDI service";

    midiUsb::JuceMidiSystem system;
    NoReceiver receiver;
    testing::internal::CaptureStderr();
    for (int poll = 0; poll < 3; ++poll)
    {
        EXPECT_TRUE(system.getInputs().empty());
        EXPECT_TRUE(system.getOutputs().empty());
    }
    EXPECT_EQ(system.openInput("hw:1,0", receiver), nullptr);
    EXPECT_EQ(system.openOutput("hw:1,0"), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
} // namespace
