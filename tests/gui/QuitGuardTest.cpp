#include "WindowTestSupport.h"

#include "app/UpdateQuitGuard.h"

#include <gtest/gtest.h>

namespace
{
// An update in a phase that only a stop request ends.
struct HeldUpdate : juce::Thread
{
    HeldUpdate()
        : juce::Thread("Held update")
    {
    }
    ~HeldUpdate() override { stopThread(10000); }
    void run() override
    {
        while (!threadShouldExit())
            wait(-1);
    }
};

TEST(UpdateQuitGuard, aQuitFromTheWindowAsksWhileAnUpdateRunsAQuitFromTheSystemNever)
{
    const struct
    {
        bool updateRunning;
        bool fromWindow;    // else from the system
        const char* answer; // the button clicked, or nullptr when no question is expected
        bool quits;
    } rows[] = {
        {false, true, nullptr, true},
        {true, true, "Cancel", false},
        {true, true, "Quit", true},
        {true, false, nullptr, true},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(testing::Message()
                     << row.updateRunning << row.fromWindow << (row.answer ? row.answer : ""));
        guitest::WindowUnderTest app;
        auto& core = app.core();
        if (row.updateRunning)
        {
            core.longOperation = std::make_unique<HeldUpdate>();
            core.longOperation->startThread();
        }
        int quits = 0;
        bool threadGoneAtQuit = false;
        UpdateQuitGuard guard(core,
                              [&]
                              {
                                  ++quits;
                                  threadGoneAtQuit = core.longOperation == nullptr;
                              });

        // Asked twice, as by a close button clicked twice: one question.
        for (int request = 0; request < 2; ++request)
            row.fromWindow ? guard.requestQuit() : guard.quitWithoutAsking();
        const auto alerts = guitest::openAlerts();
        ASSERT_EQ(alerts.size(), row.answer != nullptr ? 1u : 0u);
        if (row.answer != nullptr)
        {
            EXPECT_EQ(alerts.front()->getDescription(),
                      juce::String("Warning. ") + UpdateQuitGuard::question);
            EXPECT_EQ(quits, 0) << "nothing happens before the answer";
            for (auto* button : guitest::findAll<juce::TextButton>(*alerts.front()))
                if (button->getButtonText() == row.answer)
                    button->triggerClick();
            guitest::settle([&] { return guitest::openAlerts().empty(); });
        }

        EXPECT_EQ(quits > 0, row.quits);
        if (row.updateRunning)
        {
            EXPECT_EQ(threadGoneAtQuit, row.quits) << "the update is stopped before the quit";
            EXPECT_EQ(core.longOperation != nullptr, !row.quits);
        }
    }
}

TEST(MainWindow, theCloseButtonAndCtrlQAskToQuitOtherKeysDoNot)
{
    guitest::WindowUnderTest app;
    int requests = 0;
    app.window().onQuitRequested = [&] { ++requests; };
    const auto press = [&](const juce::KeyPress& key) { return app.window().getPeer()->handleKeyPress(key); };
    const struct
    {
        const char* name;
        std::function<void()> act;
        int requests;
    } rows[] = {
        {"close button", [&] { app.window().getCloseButton()->triggerClick(); }, 1},
        {"Ctrl-Q", [&] { press(juce::KeyPress('q', juce::ModifierKeys::ctrlModifier, 0)); }, 1},
        {"Q alone", [&] { press(juce::KeyPress('q', juce::ModifierKeys::noModifiers, 'q')); }, 0},
    };
    for (const auto& row : rows)
    {
        requests = 0;
        row.act();
        // A click is delivered later; a key that must do nothing needs no long wait.
        guitest::settle([&] { return requests > 0; },
                        std::chrono::milliseconds(row.requests > 0 ? 20000 : 300));
        EXPECT_EQ(requests, row.requests) << row.name;
    }
}
} // namespace
