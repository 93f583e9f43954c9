#include "PixelProbe.h"

#include "gui/Colours.h"
#include "support/ChildProcess.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

using namespace std::chrono_literals;
using namespace guitest;

namespace
{
bool isBody(juce::Colour c)
{
    return closeTo(c, gui::Colours::greyBackground, 1);
}

// The last body-coloured pixel of row y from x in the direction of step.
int walk(const juce::Image& image, int x, int y, int step)
{
    while (x + step >= 0 && x + step < image.getWidth() && isBody(image.getPixelAt(x + step, y)))
        x += step;
    return x;
}

TEST(MainWindowScreenshot, TheWindowHasABlackTitleBarOverAGreyBody)
{
    const auto shot = juce::File(TAVELO_ARTIFACTS_DIR).getChildFile("main-window.png");
    shot.deleteFile();
    testsupport::ChildProcess script(
        {"/bin/sh", TAVELO_SCREENSHOT_SCRIPT, TAVELO_APP_BINARY, shot.getFullPathName().toStdString()}, {});
    const auto exit = script.waitFor(90s);
    ASSERT_TRUE(exit.has_value() && exit->exited && exit->exitCode == 0) << script.output();
    const auto image = juce::ImageFileFormat::loadFrom(shot);
    ASSERT_TRUE(image.isValid()) << shot.getFullPathName();

    // The window is centred; left of the title, the first and last grey rows are the body's.
    const auto x = image.getWidth() / 2 - 300;
    auto top = 0, bottom = image.getHeight() - 1;
    while (top < bottom && !isBody(image.getPixelAt(x, top)))
        ++top;
    while (bottom > top && !isBody(image.getPixelAt(x, bottom)))
        --bottom;
    const auto body = juce::Rectangle<int>::leftTopRightBottom(walk(image, x, top, -1), top,
                                                               walk(image, x, top, 1) + 1, bottom + 1);
    EXPECT_GT(body.getWidth(), image.getWidth() / 2);
    EXPECT_NEAR(body.getWidth() / static_cast<double>(body.getHeight() + 26), 30.0 / 17.0, 0.05)
        << "the window keeps its proportions";

    // Right above the body: black, the name centred in white, the close button's red at the right.
    const auto titleBar = body.withHeight(20).translated(0, -22);
    EXPECT_GT(countPixels(image, isColour(gui::Colours::bgTitleBar, 1), titleBar), titleBar.getWidth() * 18);
    const auto title = boundsOf(image, isLight(200), titleBar.reduced(titleBar.getWidth() / 3, 0));
    EXPECT_NEAR(title.getCentreX(), body.getCentreX(), 4);
    EXPECT_GT(title.getWidth(), 40);
    EXPECT_GT(countPixels(image, isColour(gui::Colours::closeButton, 30),
                          titleBar.withLeft(titleBar.getRight() - 60)),
              5);
}
} // namespace
