#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

// The test thread is the framework's message thread, as the main thread is
// in the application.
int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    const juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
