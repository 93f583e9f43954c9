#pragma once

#include "SimulatedInstrument.h"
#include "VirtualMidiBus.h"
#include "app/MainWindow.h"
#include "core/Core.h"
#include "support/TemporaryHome.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace guitest
{
// Every component of the type under the root, depth first, root included.
template <typename T>
std::vector<T*> findAll(juce::Component& root)
{
    std::vector<T*> found;
    if (auto* match = dynamic_cast<T*>(&root))
        found.push_back(match);
    for (auto* child : root.getChildren())
        for (auto* match : findAll<T>(*child))
            found.push_back(match);
    return found;
}

template <typename T>
T& findFirst(juce::Component& root)
{
    const auto all = findAll<T>(root);
    if (all.empty())
        throw std::runtime_error("no such component");
    return *all.front();
}

// The open alert windows, oldest first.
std::vector<juce::AlertWindow*> openAlerts();
void dismissAlerts();

// Runs the message loop until the condition holds or the limit passes; the condition's last value.
bool settle(const std::function<bool()>& condition,
            std::chrono::milliseconds limit = std::chrono::seconds(20));

void saveSnapshot(juce::Component& component, const juce::String& name);

// Presses at a point of the window (its own coordinates), moves the mouse by
// the distance on the screen and lets go there, through its peer, as a user's
// drag does: each event is placed where that point of the screen is in the
// window as it is by then.
void drag(juce::Component& window, juce::Point<int> from, juce::Point<int> distance);
// The window's place on the screen and its size as the X server has them once
// the framework's requests have reached it; empty when they cannot be read.
juce::Rectangle<int> serverBounds(juce::Component& window);

// The application's window with its Core on a virtual MIDI bus where the
// simulated instrument plugs in, under a home folder of its own.
class WindowUnderTest
{
public:
    WindowUnderTest();
    ~WindowUnderTest();

    void open();
    void close();

    Core& core() { return *hub; }
    MainWindow& window() { return *mainWindow; }

    const testsupport::TemporaryHome home;
    const std::shared_ptr<simulator::VirtualMidiBus> bus = std::make_shared<simulator::VirtualMidiBus>();
    simulator::SimulatedInstrument instrument{*bus};

private:
    std::unique_ptr<Core> hub;
    std::unique_ptr<MainWindow> mainWindow;
};
} // namespace guitest
