#include "gui/FontStorage.h"
#include "gui/ImageStorage.h"
#include "gui/TaveloUpdaterLookAndFeel.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <map>

namespace
{
// Ink of a line of text drawn with the typeface: heavier faces cover more.
float inkArea(const juce::Typeface::Ptr& typeface)
{
    juce::Image image(juce::Image::SingleChannel, 600, 80, true);
    {
        juce::Graphics g(image);
        g.setColour(juce::Colours::white);
        g.setFont(juce::Font(typeface).withHeight(48.0f));
        g.drawSingleLineText("Tavelo Updater", 4, 60);
    }
    auto ink = 0.0f;
    for (auto y = 0; y < image.getHeight(); ++y)
        for (auto x = 0; x < image.getWidth(); ++x)
            ink += image.getPixelAt(x, y).getFloatAlpha();
    return ink;
}

TEST(FontStorage, TheFourPoppinsFacesLoadFromMemoryInRisingWeights)
{
    const juce::SharedResourcePointer<FontStorage> storage;
    ASSERT_EQ(storage->fonts.size(), 4u);

    const std::map<std::string, juce::String> styles{{FontStorage::light, "Light"},
                                                     {FontStorage::regular, "Regular"},
                                                     {FontStorage::medium, "Medium"},
                                                     {FontStorage::semiBold, "SemiBold"}};
    for (const auto& [key, style] : styles)
    {
        const auto typeface = storage->find(key);
        ASSERT_NE(typeface, nullptr) << key;
        EXPECT_EQ(typeface->getName(), "Poppins") << key;
        EXPECT_EQ(typeface->getStyle(), style) << key;
    }

    const auto light = inkArea(storage->find(FontStorage::light));
    const auto regular = inkArea(storage->find(FontStorage::regular));
    const auto medium = inkArea(storage->find(FontStorage::medium));
    const auto semiBold = inkArea(storage->find(FontStorage::semiBold));
    EXPECT_GT(light, 1000.0f) << "the glyphs are drawn";
    EXPECT_LT(light, regular);
    EXPECT_LT(regular, medium);
    EXPECT_LT(medium, semiBold);
}

TEST(ImageStorage, TheKeyboardPictureAndTheLogoDecodeWithTheirProportions)
{
    const juce::SharedResourcePointer<ImageStorage> storage;

    const auto keyboard = storage->findImage(ImageStorage::keyboardKey);
    ASSERT_TRUE(keyboard.isValid());
    EXPECT_GE(keyboard.getWidth(), 1200);
    EXPECT_NEAR(static_cast<double>(keyboard.getWidth()) / keyboard.getHeight(), 3.2, 0.1);
    EXPECT_TRUE(keyboard.hasAlphaChannel());
    EXPECT_EQ(keyboard.getPixelAt(0, 0).getAlpha(), 0) << "transparent around the instrument";
    EXPECT_EQ(keyboard.getPixelAt(keyboard.getWidth() / 2, keyboard.getHeight() / 2).getAlpha(), 255);

    const auto* logo = storage->findDrawable(ImageStorage::logoKey);
    ASSERT_NE(logo, nullptr);
    const auto bounds = logo->getDrawableBounds();
    EXPECT_NEAR(bounds.getWidth() / bounds.getHeight(), 11.7, 0.2);
}

} // namespace
