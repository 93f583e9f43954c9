#include "app/MainWindow.h"

#include "app/WindowGeometry.h"
#include "core/Core.h"
#include "gui/MainComponent.h"

namespace
{
juce::Colour defaultBackground()
{
    return juce::LookAndFeel::getDefaultLookAndFeel().findColour(juce::ResizableWindow::backgroundColourId);
}
} // namespace

MainWindow::MainWindow(const juce::String& name, Core& core)
    : juce::DocumentWindow(name, defaultBackground(), juce::DocumentWindow::allButtons, true)
{
    juce::LookAndFeel::setDefaultLookAndFeel(&lookAndFeel);
    setLookAndFeel(&lookAndFeel);
    setConstrainer(&constrainer);

    setUsingNativeTitleBar(false);
    setResizable(true, false);
    setTitleBarButtonsRequired(juce::DocumentWindow::minimiseButton | juce::DocumentWindow::closeButton,
                               false);

    constrainer.setFixedAspectRatio(WindowGeometry::aspectRatio);

    const auto userArea = getParentMonitorArea();
    const auto geometry = WindowGeometry::forUserArea(userArea);
    centreWithSize(geometry.width, geometry.height);
    // On the window's own constrainer: setResizeLimits would set them on the
    // framework's default constrainer, which this window no longer uses.
    constrainer.setSizeLimits(geometry.minimumWidth, geometry.minimumHeight, geometry.maximumWidth,
                              geometry.maximumHeight);
    // The framework's default constrainer kept some of the window on the
    // screen; this one keeps enough of the title bar to drag it back.
    constrainer.keepTitleBarOnScreen(*this);

    setVisible(true);

    setContentOwned(std::make_unique<MainComponent>(core).release(), false);

    if (resizableBorder != nullptr)
        resizableBorder->setBorderThickness(juce::BorderSize<int>(1));
}

MainWindow::~MainWindow()
{
    setLookAndFeel(nullptr);
    if (&juce::LookAndFeel::getDefaultLookAndFeel() == &lookAndFeel)
        juce::LookAndFeel::setDefaultLookAndFeel(nullptr);
}

void MainWindow::closeButtonPressed()
{
    onQuitRequested();
}

bool MainWindow::keyPressed(const juce::KeyPress& key)
{
    if (key == juce::KeyPress('q', juce::ModifierKeys::ctrlModifier, 0))
    {
        closeButtonPressed();
        return true;
    }
    return juce::DocumentWindow::keyPressed(key);
}
