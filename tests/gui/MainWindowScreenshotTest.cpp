#include "PixelProbe.h"

#include "gui/Colours.h"
#include "support/ChildProcess.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdlib>

using namespace std::chrono_literals;
using guitest::boundsOf;
using guitest::closeTo;
using guitest::countPixels;
using guitest::isColour;
using guitest::isLight;

namespace
{
// The window's body: the palette's grey that the content paints.
bool isBody(juce::Colour c)
{
    return closeTo(c, gui::Colours::greyBackground, 1);
}

// Grows a run of body-coloured pixels from a start point in one direction.
int walk(const juce::Image& image, juce::Point<int> from, juce::Point<int> step)
{
    auto p = from;
    while (image.getBounds().contains(p + step) && isBody(image.getPixelAt(p.x + step.x, p.y + step.y)))
        p += step;
    return step.x != 0 ? p.x : p.y;
}

TEST(MainWindowScreenshot, TheWindowHasABlackTitleBarOverAGreyBody)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run the tests under Xvfb (xvfb-run)";

    const auto shot = juce::File(TAVELO_ARTIFACTS_DIR).getChildFile("main-window.png");
    shot.deleteFile();
    testsupport::ChildProcess script(
        {"/bin/sh", TAVELO_SCREENSHOT_SCRIPT, TAVELO_APP_BINARY, shot.getFullPathName().toStdString()}, {});
    const auto exit = script.waitFor(90s);
    ASSERT_TRUE(exit.has_value()) << "the screenshot script hung";
    ASSERT_TRUE(exit->exited && exit->exitCode == 0) << script.output();

    const auto image = juce::ImageFileFormat::loadFrom(shot);
    ASSERT_TRUE(image.isValid()) << shot.getFullPathName();

    // The window is centred on the screen. Left of the title text, the first
    // grey row from the top is the body's first row (above the keyboard
    // picture) and the first from the bottom its last (the footer).
    const auto probeX = image.getWidth() / 2 - 300;
    auto top = 0;
    while (top < image.getHeight() && !isBody(image.getPixelAt(probeX, top)))
        ++top;
    ASSERT_LT(top, image.getHeight()) << "no window body";
    auto bottom = image.getHeight() - 1;
    while (bottom > top && !isBody(image.getPixelAt(probeX, bottom)))
        --bottom;
    const auto body = juce::Rectangle<int>::leftTopRightBottom(
        walk(image, {probeX, top}, {-1, 0}), top, walk(image, {probeX, top}, {1, 0}) + 1, bottom + 1);
    EXPECT_GT(body.getWidth(), image.getWidth() / 2);
    EXPECT_GT(body.getHeight(), image.getHeight() / 2);
    EXPECT_NEAR(body.getWidth() / static_cast<double>(body.getHeight() + 26), 30.0 / 17.0, 0.05)
        << "the window keeps its proportions";

    // The title bar: the rows right above the body, black with the name
    // centred in white and the red cross of the close button at the right.
    const auto titleBar = body.withHeight(20).translated(0, -22);
    const auto black = isColour(gui::Colours::bgTitleBar, 1);
    EXPECT_GT(countPixels(image, black, titleBar), titleBar.getWidth() * titleBar.getHeight() * 9 / 10);

    const auto middle = titleBar.reduced(titleBar.getWidth() / 3, 0);
    const auto title = boundsOf(image, isLight(200), middle);
    ASSERT_FALSE(title.isEmpty()) << "no white title text";
    EXPECT_NEAR(title.getCentreX(), body.getCentreX(), 4);
    EXPECT_GT(title.getWidth(), 40);

    const auto rightEnd = titleBar.withLeft(titleBar.getRight() - 60);
    EXPECT_GT(countPixels(image, isColour(gui::Colours::closeButton, 30), rightEnd), 5) << "the close button";
}
} // namespace
