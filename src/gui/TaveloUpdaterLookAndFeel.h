#pragma once

#include "FontStorage.h"
#include "ImageStorage.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <optional>

// The application's look: black title bar and buttons with white text, black
// label text, menus in black on white. Installed by the main window as the
// default look-and-feel.
class TaveloUpdaterLookAndFeel : public juce::LookAndFeel_V4
{
public:
    // Every label and button text is drawn this much smaller than its nominal
    // font height.
    static constexpr float fontHeightDivisor = 1.165f;

    static juce::LookAndFeel_V4::ColourScheme colourScheme();

    TaveloUpdaterLookAndFeel();
    ~TaveloUpdaterLookAndFeel() override;

    void drawButtonBackground(juce::Graphics& g, juce::Button& button, const juce::Colour& backgroundColour,
                              bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;
    void drawButtonText(juce::Graphics& g, juce::TextButton& button, bool shouldDrawButtonAsHighlighted,
                        bool shouldDrawButtonAsDown) override;
    void drawComboBox(juce::Graphics& g, int width, int height, bool isButtonDown, int buttonX, int buttonY,
                      int buttonW, int buttonH, juce::ComboBox& box) override;
    juce::Font getLabelFont(juce::Label& label) override;
    void drawResizableWindowBorder(juce::Graphics& g, int w, int h, const juce::BorderSize<int>& border,
                                   juce::ResizableWindow& window) override;
    void drawDocumentWindowTitleBar(juce::DocumentWindow& window, juce::Graphics& g, int w, int h,
                                    int titleSpaceX, int titleSpaceW, const juce::Image* icon,
                                    bool drawTitleTextOnLeft) override;
    juce::Button* createDocumentWindowButton(int buttonType) override;

private:
    // A font of the stored typeface named by the component's "font" property,
    // at the default height; nothing when the property is absent or names no
    // stored typeface, so the caller keeps its own font.
    std::optional<juce::Font> fontFromProperty(const juce::Component& component) const;

    juce::SharedResourcePointer<ImageStorage> imageStorage;
    juce::SharedResourcePointer<FontStorage> fontStorage;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(TaveloUpdaterLookAndFeel)
};
