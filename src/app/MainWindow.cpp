#include "app/MainWindow.h"

#include "app/WindowGeometry.h"
#include "core/Core.h"

namespace
{
juce::Colour defaultBackground()
{
    return juce::LookAndFeel::getDefaultLookAndFeel().findColour(juce::ResizableWindow::backgroundColourId);
}
} // namespace

MainWindow::MainWindow(const juce::String& name, Core&)
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
    setResizeLimits(geometry.minimumWidth, geometry.minimumHeight, geometry.maximumWidth,
                    geometry.maximumHeight);

    setVisible(true);

    setContentOwned(new juce::Component(), false);

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
    juce::JUCEApplication::getInstance()->systemRequestedQuit();
}
