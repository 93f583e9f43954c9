#include "PixelProbe.h"

#include "gui/ActionButton.h"
#include "gui/Colours.h"
#include "gui/DefaultLabel.h"
#include "gui/SelectedPathLabel.h"
#include "gui/TaveloUpdaterLookAndFeel.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

using guitest::boundsOf;
using guitest::closeTo;
using guitest::countPixels;
using guitest::isColour;
using guitest::isLight;

namespace
{
const juce::Colour marker{0xffff00ff};

juce::Image blankImage(int w, int h, juce::Colour fill = marker)
{
    juce::Image image(juce::Image::ARGB, w, h, true);
    juce::Graphics(image).fillAll(fill);
    return image;
}

juce::Image render(juce::Component& component)
{
    return component.createComponentSnapshot(component.getLocalBounds(), true, 1.0f);
}

class LookAndFeelTest : public testing::Test
{
protected:
    TaveloUpdaterLookAndFeel lookAndFeel;
};

// ---------------------------------------------------------------- buttons

class ActionButtonTest : public LookAndFeelTest
{
protected:
    void SetUp() override
    {
        button.setLookAndFeel(&lookAndFeel);
        button.setButtonText("Launch");
        button.setSize(100, 30);
    }
    void TearDown() override { button.setLookAndFeel(nullptr); }

    juce::Image renderIn(juce::Button::ButtonState state)
    {
        button.setState(state);
        return render(button);
    }

    gui::ActionButton button;
};

TEST_F(ActionButtonTest, FillsARoundedRectangleInTheColourOfItsState)
{
    const auto normal = renderIn(juce::Button::buttonNormal);
    EXPECT_TRUE(closeTo(normal.getPixelAt(50, 2), gui::Colours::buttonDefault));
    EXPECT_LT(normal.getPixelAt(0, 0).getAlpha(), 200) << "the corners are rounded";
    EXPECT_TRUE(closeTo(normal.getPixelAt(2, 15), gui::Colours::buttonDefault))
        << "corner of 4, not half height";

    const auto overIt = renderIn(juce::Button::buttonOver);
    EXPECT_TRUE(closeTo(overIt.getPixelAt(50, 2), juce::Colour(0xff1e1e1e)));

    const auto pressed = renderIn(juce::Button::buttonDown);
    EXPECT_TRUE(closeTo(pressed.getPixelAt(50, 2), juce::Colour(0xff000000)));

    button.setToggleState(true, juce::dontSendNotification);
    const auto toggledOn = renderIn(juce::Button::buttonNormal);
    EXPECT_TRUE(closeTo(toggledOn.getPixelAt(50, 2), gui::Colours::buttonHighlighted));
}

TEST_F(ActionButtonTest, DrawsItsWhiteTextInsideTheMargins)
{
    const auto image = renderIn(juce::Button::buttonNormal);
    const auto text = boundsOf(image, isLight(200));
    ASSERT_FALSE(text.isEmpty()) << "no white text drawn";
    EXPECT_TRUE(juce::Rectangle<int>(8, 4, 84, 22).contains(text)) << text.toString();
    EXPECT_NEAR(text.getCentreX(), 50, 2) << "centred";
    EXPECT_GT(juce::jmax(text.getWidth(), text.getHeight()), 15) << "legible size";
}

TEST_F(ActionButtonTest, DisabledTextIsDrawnAtHalfAlpha)
{
    const auto area = juce::Rectangle<int>(8, 4, 84, 22);
    const auto enabledLevel = guitest::brightestLevel(renderIn(juce::Button::buttonNormal), area);

    juce::Component parent;
    parent.setSize(200, 100);
    parent.addAndMakeVisible(button);
    parent.setEnabled(false);
    const auto disabledLevel = guitest::brightestLevel(render(button), area);
    parent.removeChildComponent(&button);

    EXPECT_GT(enabledLevel, 0.95f);
    EXPECT_NEAR(disabledLevel, 0.5f, 0.06f) << "white at half alpha over black";
}

TEST_F(ActionButtonTest, AFontPropertyNamingNoStoredTypefaceKeepsTheDefaultFont)
{
    const auto plain = renderIn(juce::Button::buttonNormal);

    button.getProperties().set("font", "noSuchFont");
    const auto withMissingFont = render(button);
    EXPECT_EQ(countPixels(plain, isLight(200)), countPixels(withMissingFont, isLight(200)));
    EXPECT_EQ(boundsOf(plain, isLight(200)), boundsOf(withMissingFont, isLight(200)));
    EXPECT_EQ(juce::SharedResourcePointer<FontStorage>()->fonts.count("noSuchFont"), 0u);

    button.getProperties().set("font", FontStorage::semiBold);
    const auto withPoppins = render(button);
    EXPECT_NE(boundsOf(plain, isLight(200)), boundsOf(withPoppins, isLight(200))) << "a stored face is used";
}

TEST_F(ActionButtonTest, FontSizeAndJustificationPropertiesMoveAndScaleTheText)
{
    const auto plain = boundsOf(renderIn(juce::Button::buttonNormal), isLight(200));

    button.getProperties().set("fontSize", 0.3);
    const auto smaller = boundsOf(render(button), isLight(200));
    EXPECT_LT(smaller.getWidth(), plain.getWidth());

    button.getProperties().remove("fontSize");
    button.getProperties().set("justification", juce::Justification::centredLeft);
    const auto leftAligned = boundsOf(render(button), isLight(200));
    EXPECT_NEAR(leftAligned.getX(), 8, 2);
}

TEST_F(LookAndFeelTest, OtherButtonsKeepTheFrameworkBackground)
{
    juce::TextButton other("other");
    other.setLookAndFeel(&lookAndFeel);
    other.setSize(100, 30);
    other.setState(juce::Button::buttonOver);
    const auto image = render(other);
    other.setLookAndFeel(nullptr);

    // The framework outlines its buttons; an action button has no outline.
    EXPECT_FALSE(closeTo(image.getPixelAt(50, 3), gui::Colours::buttonHighlighted, 8));
    EXPECT_GT(image.getPixelAt(50, 3).getBrightness(), 0.8f) << "the scheme's white widget background";
}

// ---------------------------------------------------------------- labels

TEST_F(LookAndFeelTest, ALabelFontPropertyPicksAStoredFaceOrFallsBackToTheLabelsOwn)
{
    juce::Label label;
    label.setFont(juce::Font(20.0f, juce::Font::bold));

    label.getProperties().set("font", FontStorage::semiBold);
    const auto poppins = lookAndFeel.getLabelFont(label);
    EXPECT_EQ(poppins.getTypefacePtr()->getName(), "Poppins");
    EXPECT_EQ(poppins.getTypefacePtr()->getStyle(), "SemiBold");
    EXPECT_NEAR(poppins.getHeight(), 20.0f / 1.165f, 0.001f);

    label.getProperties().set("font", "noSuchFont");
    const auto fallback = lookAndFeel.getLabelFont(label);
    EXPECT_EQ(fallback.getTypefacePtr()->getName(), label.getFont().getTypefacePtr()->getName());
    EXPECT_TRUE(fallback.isBold());
    EXPECT_NEAR(fallback.getHeight(), 20.0f / 1.165f, 0.001f);
    EXPECT_EQ(juce::SharedResourcePointer<FontStorage>()->fonts.count("noSuchFont"), 0u);
}

TEST_F(LookAndFeelTest, DefaultAndPathLabelsDrawBoldBlackTextThePathOneOnTheRight)
{
    gui::DefaultLabel label;
    gui::SelectedPathLabel pathLabel;
    EXPECT_TRUE(label.getFont().isBold());
    EXPECT_TRUE(pathLabel.getFont().isBold());

    const auto draw = [this](juce::Label& l)
    {
        l.setLookAndFeel(&lookAndFeel);
        l.setText("firmware.taveloupdate", juce::dontSendNotification);
        l.setSize(400, 30);
        const auto image = render(l);
        l.setLookAndFeel(nullptr);
        return boundsOf(image, [](juce::Colour c) { return c.getAlpha() > 200 && c.getBrightness() < 0.2f; });
    };

    const auto plainText = draw(label);
    const auto pathText = draw(pathLabel);
    ASSERT_FALSE(plainText.isEmpty()) << "no black text drawn";
    ASSERT_FALSE(pathText.isEmpty());
    EXPECT_LT(plainText.getX(), 20) << "a default label is left-justified";
    EXPECT_GT(pathText.getRight(), 380) << "the path label is right-justified";
}

// ---------------------------------------------------------------- window parts

class WindowPartsTest : public LookAndFeelTest
{
protected:
    void SetUp() override
    {
        window.setLookAndFeel(&lookAndFeel);
        // The window's own text colour must not reach the title.
        window.setColour(juce::DocumentWindow::textColourId, juce::Colours::red);
    }
    void TearDown() override { window.setLookAndFeel(nullptr); }

    juce::DocumentWindow window{"Tavelo Updater", juce::Colours::grey, 0, false};
};

TEST_F(WindowPartsTest, TitleBarIsBlackWithTheNameCentredInWhite)
{
    auto image = blankImage(600, 28);
    {
        juce::Graphics g(image);
        lookAndFeel.drawDocumentWindowTitleBar(window, g, 600, 28, 0, 600, nullptr, false);
    }

    const auto light = isLight(200);
    const auto text = boundsOf(image, light);
    ASSERT_FALSE(text.isEmpty()) << "no white title";
    EXPECT_NEAR(text.getCentreX(), 300, 3);
    EXPECT_NEAR(text.getCentreY(), 14, 3);
    // A plain face of height 0.65 x 28 = 18.2: capitals and descenders span
    // most of it.
    EXPECT_GE(text.getHeight(), 12);
    EXPECT_LE(text.getHeight(), 19);
    EXPECT_EQ(countPixels(image, isColour(juce::Colours::red, 60)), 0);

    const auto blackOrWhite = [](juce::Colour c)
    {
        return c.getAlpha() == 255 && juce::jmax(c.getRed(), c.getGreen(), c.getBlue()) -
                                              juce::jmin(c.getRed(), c.getGreen(), c.getBlue()) <=
                                          2;
    };
    EXPECT_EQ(countPixels(image, blackOrWhite), 600 * 28) << "nothing but white text on black";
    const auto background = countPixels(image, isColour(gui::Colours::bgTitleBar, 0));
    EXPECT_GT(background, 600 * 28 * 8 / 10);
}

TEST_F(WindowPartsTest, TitleTextMovesOutOfTheWayOfTheButtons)
{
    auto image = blankImage(600, 28);
    {
        juce::Graphics g(image);
        lookAndFeel.drawDocumentWindowTitleBar(window, g, 600, 28, 0, 200, nullptr, false);
    }
    const auto text = boundsOf(image, isLight(200));
    ASSERT_FALSE(text.isEmpty());
    EXPECT_LE(text.getRight(), 201);
}

TEST_F(WindowPartsTest, BorderFillsOnlyTheBandAndAnEmptyBorderNothing)
{
    auto untouched = blankImage(100, 80);
    {
        juce::Graphics g(untouched);
        lookAndFeel.drawResizableWindowBorder(g, 100, 80, juce::BorderSize<int>(0), window);
    }
    EXPECT_EQ(countPixels(untouched, isColour(marker, 0)), 100 * 80);

    auto framed = blankImage(100, 80);
    {
        juce::Graphics g(framed);
        lookAndFeel.drawResizableWindowBorder(g, 100, 80, juce::BorderSize<int>(2, 1, 3, 4), window);
    }
    const auto inside = juce::Rectangle<int>(1, 2, 100 - 1 - 4, 80 - 2 - 3);
    EXPECT_EQ(countPixels(framed, isColour(marker, 0), inside), inside.getWidth() * inside.getHeight());
    EXPECT_EQ(countPixels(framed, isColour(gui::Colours::windowBorderColor, 0)),
              100 * 80 - inside.getWidth() * inside.getHeight());

    // The clip is restored afterwards.
    {
        juce::Graphics g(framed);
        lookAndFeel.drawResizableWindowBorder(g, 100, 80, juce::BorderSize<int>(1), window);
        g.setColour(juce::Colours::white);
        g.fillAll();
    }
    EXPECT_EQ(countPixels(framed, isColour(juce::Colours::white, 0)), 100 * 80);
}

class TitleBarButtonTest : public LookAndFeelTest
{
protected:
    std::unique_ptr<juce::Button> make(int type)
    {
        std::unique_ptr<juce::Button> button(lookAndFeel.createDocumentWindowButton(type));
        if (button != nullptr)
            button->setSize(60, 50);
        return button;
    }

    static juce::Image renderIn(juce::Button& button, juce::Button::ButtonState state)
    {
        button.setState(state);
        return render(button);
    }

    // The button's background, away from the shape.
    static juce::Colour corner(const juce::Image& image) { return image.getPixelAt(2, 2); }
};

TEST_F(TitleBarButtonTest, CloseButtonNormalHighlightedPressedAndDisabled)
{
    const auto close = make(juce::DocumentWindow::closeButton);
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->getName(), "close");
    const juce::Colour red{0xffbc0000};
    // 0x99 of that red over the black bar.
    const auto dimmedRed = gui::Colours::bgTitleBar.overlaidWith(red.withAlpha(juce::uint8(0x99)));

    const auto normal = renderIn(*close, juce::Button::buttonNormal);
    EXPECT_TRUE(closeTo(corner(normal), juce::Colours::black));
    EXPECT_GT(countPixels(normal, isColour(red)), 20) << "a red cross";

    const auto highlighted = renderIn(*close, juce::Button::buttonOver);
    EXPECT_TRUE(closeTo(corner(highlighted), red));
    EXPECT_GT(countPixels(highlighted, isColour(juce::Colours::black)), 20) << "a black cross";

    const auto pressed = renderIn(*close, juce::Button::buttonDown);
    EXPECT_TRUE(closeTo(corner(pressed), dimmedRed, 3)) << corner(pressed).toDisplayString(true);
    EXPECT_GT(countPixels(pressed, isColour(juce::Colours::black)), 20);

    close->setEnabled(false);
    const auto disabled = render(*close);
    EXPECT_TRUE(closeTo(corner(disabled), juce::Colours::black));
    EXPECT_GT(countPixels(disabled, isColour(dimmedRed, 3)), 20) << "a dimmed red cross";
    EXPECT_EQ(countPixels(disabled, isColour(red)), 0);
}

TEST_F(TitleBarButtonTest, MinimiseButtonNormalHighlightedAndPressed)
{
    const auto minimise = make(juce::DocumentWindow::minimiseButton);
    ASSERT_NE(minimise, nullptr);
    EXPECT_EQ(minimise->getName(), "minimise");
    const juce::Colour light{0xfff1f1f1};

    const auto normal = renderIn(*minimise, juce::Button::buttonNormal);
    EXPECT_TRUE(closeTo(corner(normal), juce::Colours::black));
    const auto line = boundsOf(normal, isColour(light, 20));
    ASSERT_FALSE(line.isEmpty());
    EXPECT_GT(line.getWidth(), 3 * line.getHeight()) << "a horizontal line";
    EXPECT_NEAR(line.getCentreY(), 25, 2);

    const auto highlighted = renderIn(*minimise, juce::Button::buttonOver);
    EXPECT_TRUE(closeTo(corner(highlighted), light));
    EXPECT_FALSE(boundsOf(highlighted, isColour(juce::Colours::black)).isEmpty());

    const auto pressed = renderIn(*minimise, juce::Button::buttonDown);
    EXPECT_TRUE(
        closeTo(corner(pressed), juce::Colours::black.overlaidWith(light.withAlpha(juce::uint8(0x99))), 3));
}

TEST_F(TitleBarButtonTest, MaximiseButtonSwapsItsShapeWhenToggledAndOtherTypesGiveNone)
{
    const auto maximise = make(juce::DocumentWindow::maximiseButton);
    ASSERT_NE(maximise, nullptr);
    EXPECT_EQ(maximise->getName(), "maximise");
    const auto shapePixels = [](const juce::Image& image)
    { return countPixels(image, [](juce::Colour c) { return c.getBrightness() > 0.5f; }); };
    const auto plus = shapePixels(renderIn(*maximise, juce::Button::buttonNormal));
    maximise->setToggleState(true, juce::dontSendNotification);
    const auto frames = shapePixels(render(*maximise));
    EXPECT_GT(plus, 0);
    EXPECT_GT(frames, 0);
    EXPECT_NE(plus, frames);

    EXPECT_EQ(make(0), nullptr);
    EXPECT_EQ(make(8), nullptr);
}

} // namespace
