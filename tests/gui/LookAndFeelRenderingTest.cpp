#include "PixelProbe.h"

#include "gui/ActionButton.h"
#include "gui/Colours.h"
#include "gui/TaveloUpdaterLookAndFeel.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

using namespace guitest;

namespace
{
const juce::Colour marker{0xffff00ff};

juce::Image render(juce::Component& component)
{
    return component.createComponentSnapshot(component.getLocalBounds(), true, 1.0f);
}

juce::Image draw(int w, int h, const std::function<void(juce::Graphics&)>& paint)
{
    juce::Image image(juce::Image::ARGB, w, h, true);
    juce::Graphics g(image);
    g.fillAll(marker);
    paint(g);
    return image;
}

struct LookAndFeelTest : testing::Test
{
    TaveloUpdaterLookAndFeel lookAndFeel;
    gui::ActionButton button;
    juce::DocumentWindow window{"Tavelo Updater", juce::Colours::grey, 0, false};

    void SetUp() override
    {
        button.setLookAndFeel(&lookAndFeel);
        button.setButtonText("Launch");
        button.setSize(100, 30);
        window.setLookAndFeel(&lookAndFeel);
        window.setColour(juce::DocumentWindow::textColourId, juce::Colours::red); // must not reach the title
    }
    void TearDown() override
    {
        button.setLookAndFeel(nullptr);
        window.setLookAndFeel(nullptr);
    }
    juce::Image titleBar(int titleSpace)
    {
        return draw(
            600, 28,
            [&](juce::Graphics& g)
            { lookAndFeel.drawDocumentWindowTitleBar(window, g, 600, 28, 0, titleSpace, nullptr, false); });
    }
};

TEST_F(LookAndFeelTest, ActionButtonFillsARoundedRectangleInTheColourOfItsStateWithWhiteTextInside)
{
    const struct
    {
        juce::Button::ButtonState state;
        bool toggled;
        juce::Colour fill;
    } rows[] = {{juce::Button::buttonNormal, false, gui::Colours::buttonDefault},
                {juce::Button::buttonOver, false, juce::Colour(0xff1e1e1e)},
                {juce::Button::buttonDown, false, juce::Colour(0xff000000)},
                {juce::Button::buttonNormal, true, gui::Colours::buttonHighlighted}};
    for (const auto& row : rows)
    {
        button.setToggleState(row.toggled, juce::dontSendNotification);
        button.setState(row.state);
        const auto image = render(button);
        EXPECT_TRUE(closeTo(image.getPixelAt(50, 2), row.fill))
            << image.getPixelAt(50, 2).toDisplayString(true);
        EXPECT_TRUE(closeTo(image.getPixelAt(2, 15), row.fill)) << "corner of 4, not half height";
        EXPECT_LT(image.getPixelAt(0, 0).getAlpha(), 200) << "the corners are rounded";
        const auto text = boundsOf(image, isLight(200));
        EXPECT_TRUE(juce::Rectangle<int>(8, 4, 84, 22).contains(text)) << text.toString();
        EXPECT_NEAR(text.getCentreX(), 50, 2);
        EXPECT_GT(text.getWidth(), 15) << "legible size";
    }
}

TEST_F(LookAndFeelTest, ActionButtonTextIsHalfAlphaWhenDisabledAndUsesOnlyStoredFaces)
{
    const auto plain = render(button);
    button.getProperties().set("font", "noSuchFont");
    EXPECT_EQ(boundsOf(render(button), isLight(200)), boundsOf(plain, isLight(200)));
    button.getProperties().set("font", FontStorage::semiBold);
    EXPECT_NE(boundsOf(render(button), isLight(200)), boundsOf(plain, isLight(200)))
        << "a stored face is used";

    juce::Component parent;
    parent.addAndMakeVisible(button);
    parent.setEnabled(false);
    const auto disabled = render(button);
    parent.removeChildComponent(&button);
    EXPECT_EQ(countPixels(disabled, isLight(160)), 0) << "white at half alpha over black";
    EXPECT_GT(countPixels(disabled, isLight(100)), 20);
}

TEST_F(LookAndFeelTest, TitleBarIsBlackWithTheNameCentredInWhiteOutOfTheButtonsWay)
{
    const auto image = titleBar(600);
    const auto text = boundsOf(image, isLight(200));
    EXPECT_NEAR(text.getCentreX(), 300, 3);
    EXPECT_NEAR(text.getCentreY(), 14, 3);
    EXPECT_GE(text.getHeight(), 12); // a plain face of 0.65 x 28
    EXPECT_LE(text.getHeight(), 19);
    const auto grey = [](juce::Colour c)
    {
        return c.getAlpha() == 255 && std::abs(c.getRed() - c.getGreen()) <= 2 &&
               std::abs(c.getRed() - c.getBlue()) <= 2;
    };
    EXPECT_EQ(countPixels(image, grey), 600 * 28) << "nothing but white text on black";
    EXPECT_GT(countPixels(image, isColour(gui::Colours::bgTitleBar, 0)), 600 * 28 * 8 / 10);

    const auto squeezed = boundsOf(titleBar(200), isLight(200));
    ASSERT_FALSE(squeezed.isEmpty());
    EXPECT_LE(squeezed.getRight(), 201);
}

TEST_F(LookAndFeelTest, BorderFillsOnlyTheBandAndRestoresTheClip)
{
    const auto border = [&](juce::BorderSize<int> size, juce::Graphics& g)
    { lookAndFeel.drawResizableWindowBorder(g, 100, 80, size, window); };
    EXPECT_EQ(countPixels(draw(100, 80, [&](auto& g) { border({}, g); }), isColour(marker, 0)), 100 * 80);
    const auto framed = draw(100, 80, [&](auto& g) { border({2, 1, 3, 4}, g); });
    const auto inside = juce::Rectangle<int>(1, 2, 95, 75);
    EXPECT_EQ(countPixels(framed, isColour(marker, 0), inside), 95 * 75);
    EXPECT_EQ(countPixels(framed, isColour(gui::Colours::windowBorderColor, 0)), 100 * 80 - 95 * 75);
    const auto after = draw(100, 80,
                            [&](juce::Graphics& g)
                            {
                                border(juce::BorderSize<int>(1), g);
                                g.fillAll(juce::Colours::white);
                            });
    EXPECT_EQ(countPixels(after, isColour(juce::Colours::white, 0)), 100 * 80);
}

TEST_F(LookAndFeelTest, CloseButtonInEachStateAndMaximiseSwapsItsShape)
{
    const std::unique_ptr<juce::Button> close(
        lookAndFeel.createDocumentWindowButton(juce::DocumentWindow::closeButton));
    ASSERT_NE(close, nullptr);
    close->setSize(60, 50);
    const juce::Colour red{0xffbc0000};
    const auto dimmedRed = gui::Colours::bgTitleBar.overlaidWith(red.withAlpha(juce::uint8(0x99)));
    const struct
    {
        juce::Button::ButtonState state;
        bool enabled;
        juce::Colour background, cross;
    } rows[] = {{juce::Button::buttonNormal, true, juce::Colours::black, red},
                {juce::Button::buttonOver, true, red, juce::Colours::black},
                {juce::Button::buttonDown, true, dimmedRed, juce::Colours::black},
                {juce::Button::buttonNormal, false, juce::Colours::black, dimmedRed}};
    for (const auto& row : rows)
    {
        close->setEnabled(row.enabled);
        close->setState(row.state);
        const auto image = render(*close);
        EXPECT_TRUE(closeTo(image.getPixelAt(2, 2), row.background, 3))
            << image.getPixelAt(2, 2).toDisplayString(true);
        EXPECT_GT(countPixels(image, isColour(row.cross, 3)), 20) << "the cross";
    }

    const std::unique_ptr<juce::Button> maximise(
        lookAndFeel.createDocumentWindowButton(juce::DocumentWindow::maximiseButton));
    maximise->setSize(60, 50);
    const auto shape = [&]
    { return countPixels(render(*maximise), [](juce::Colour c) { return c.getBrightness() > 0.5f; }); };
    const auto plus = shape();
    maximise->setToggleState(true, juce::dontSendNotification);
    EXPECT_GT(plus, 0);
    EXPECT_NE(plus, shape());
    EXPECT_EQ(lookAndFeel.createDocumentWindowButton(8), nullptr);
}
} // namespace
