#include "TaveloUpdaterLookAndFeel.h"

#include "ActionButton.h"
#include "ButtonTextArea.h"
#include "Colours.h"
#include "LookAndFeel_V4_DocumentWindowButton.h"

#include <memory>

namespace
{
const juce::Identifier fontProperty{"font"};
const juce::Identifier fontSizeProperty{"fontSize"};
const juce::Identifier justificationProperty{"justification"};

float limitedHeight(float height)
{
    return juce::jlimit(0.1f, 10000.0f, height);
}
} // namespace

juce::LookAndFeel_V4::ColourScheme TaveloUpdaterLookAndFeel::colourScheme()
{
    namespace c = gui::Colours;
    // The highlighted-fill slot takes white (menuText) and the menu-text slot
    // black (numColours): menus read black on white, highlights are white.
    return {c::windowBackground, c::widgetBackground, c::menuBackground, c::outline,   c::defaultText,
            c::defaultFill,      c::highlightedText,  c::menuText,       c::numColours};
}

TaveloUpdaterLookAndFeel::TaveloUpdaterLookAndFeel()
{
    setColourScheme(colourScheme());
    setColour(juce::ProgressBar::backgroundColourId, gui::Colours::bgProgressBar);
}

TaveloUpdaterLookAndFeel::~TaveloUpdaterLookAndFeel() = default;

std::optional<juce::Font> TaveloUpdaterLookAndFeel::fontFromProperty(const juce::Component& component) const
{
    const auto& properties = component.getProperties();
    if (!properties.contains(fontProperty))
        return std::nullopt;

    if (auto typeface = fontStorage->find(properties[fontProperty].toString().toStdString()))
        return juce::Font(typeface);
    return std::nullopt;
}

void TaveloUpdaterLookAndFeel::drawButtonBackground(juce::Graphics& g, juce::Button& button,
                                                    const juce::Colour& backgroundColour,
                                                    bool shouldDrawButtonAsHighlighted,
                                                    bool shouldDrawButtonAsDown)
{
    if (dynamic_cast<gui::ActionButton*>(&button) == nullptr)
    {
        juce::LookAndFeel_V4::drawButtonBackground(g, button, backgroundColour, shouldDrawButtonAsHighlighted,
                                                   shouldDrawButtonAsDown);
        return;
    }

    const auto highlightedOnly = shouldDrawButtonAsHighlighted && !shouldDrawButtonAsDown;
    g.setColour(highlightedOnly ? gui::Colours::buttonHighlighted : backgroundColour);
    g.fillRoundedRectangle(0.0f, 0.0f, static_cast<float>(button.getWidth()),
                           static_cast<float>(button.getHeight()), 4.0f);
}

void TaveloUpdaterLookAndFeel::drawButtonText(juce::Graphics& g, juce::TextButton& button, bool, bool)
{
    const auto& properties = button.getProperties();

    auto font = fontFromProperty(button).value_or(getTextButtonFont(button, button.getHeight()));
    if (properties.contains(fontSizeProperty))
        font.setHeight(limitedHeight(static_cast<float>(button.getHeight()) *
                                     static_cast<float>(properties[fontSizeProperty])));
    font.setHeight(limitedHeight(font.getHeight() / fontHeightDivisor));

    g.setFont(font);
    const auto colourId =
        button.getToggleState() ? juce::TextButton::textColourOnId : juce::TextButton::textColourOffId;
    // isEnabled() is also false when a parent is disabled.
    g.setColour(button.findColour(colourId).withMultipliedAlpha(button.isEnabled() ? 1.0f : 0.5f));

    const auto area = gui::buttonTextArea(button.getWidth(), button.getHeight(), font.getHeight(),
                                          button.isConnectedOnLeft(), button.isConnectedOnRight());
    if (area.getWidth() <= 0)
        return;

    const auto justification =
        static_cast<int>(properties.getWithDefault(justificationProperty, juce::Justification::centred));
    g.drawFittedText(button.getButtonText(), area, juce::Justification(justification), 2);
}

void TaveloUpdaterLookAndFeel::drawComboBox(juce::Graphics& g, int width, int height, bool isButtonDown,
                                            int buttonX, int buttonY, int buttonW, int buttonH,
                                            juce::ComboBox& box)
{
    box.setColour(juce::ComboBox::backgroundColourId, gui::Colours::bgComboBox);
    box.setColour(juce::ComboBox::textColourId, gui::Colours::textColourComboBox);
    box.setColour(juce::ComboBox::arrowColourId, gui::Colours::arrowColour);
    juce::LookAndFeel_V4::drawComboBox(g, width, height, isButtonDown, buttonX, buttonY, buttonW, buttonH,
                                       box);
}

juce::Font TaveloUpdaterLookAndFeel::getLabelFont(juce::Label& label)
{
    auto font = label.getFont();
    if (auto stored = fontFromProperty(label))
        font = stored->withHeight(limitedHeight(label.getFont().getHeight()));
    font.setHeight(limitedHeight(font.getHeight() / fontHeightDivisor));
    return font;
}

void TaveloUpdaterLookAndFeel::drawResizableWindowBorder(juce::Graphics& g, int w, int h,
                                                         const juce::BorderSize<int>& border,
                                                         juce::ResizableWindow&)
{
    if (border.isEmpty())
        return;

    const juce::Graphics::ScopedSaveState state(g);
    g.setColour(gui::Colours::windowBorderColor);
    g.excludeClipRegion(
        {border.getLeft(), border.getTop(), w - border.getLeftAndRight(), h - border.getTopAndBottom()});
    g.fillAll();
}

void TaveloUpdaterLookAndFeel::drawDocumentWindowTitleBar(juce::DocumentWindow& window, juce::Graphics& g,
                                                          int w, int h, int titleSpaceX, int titleSpaceW,
                                                          const juce::Image* icon, bool drawTitleTextOnLeft)
{
    if (w * h == 0)
        return;

    g.setColour(gui::Colours::bgTitleBar);
    g.fillAll();

    const juce::Font font(limitedHeight(static_cast<float>(h) * 0.65f), juce::Font::plain);
    g.setFont(font);

    auto textW = font.getStringWidth(window.getName());
    auto iconW = 0;
    auto iconH = 0;
    if (icon != nullptr && icon->getHeight() > 0)
    {
        iconH = static_cast<int>(font.getHeight());
        iconW = icon->getWidth() * iconH / icon->getHeight() + 4;
    }

    textW = juce::jmin(titleSpaceW, textW + iconW);
    auto textX = drawTitleTextOnLeft ? titleSpaceX : juce::jmax(titleSpaceX, (w - textW) / 2);
    if (textX + textW > titleSpaceX + titleSpaceW)
        textX = titleSpaceX + titleSpaceW - textW;

    if (iconW > 0)
    {
        g.setOpacity(window.isActiveWindow() ? 1.0f : 0.6f);
        g.drawImageWithin(*icon, textX, (h - iconH) / 2, iconW, iconH, juce::RectanglePlacement::centred,
                          false);
        textX += iconW;
        textW -= iconW;
    }

    g.setColour(gui::Colours::white);
    g.drawText(window.getName(), textX, 0, textW, h, juce::Justification::centredLeft, true);
}

juce::Button* TaveloUpdaterLookAndFeel::createDocumentWindowButton(int buttonType)
{
    constexpr auto thickness = 0.15f;
    juce::Path shape;

    if (buttonType == juce::DocumentWindow::closeButton)
    {
        shape.addLineSegment({0.0f, 0.0f, 1.0f, 1.0f}, thickness);
        shape.addLineSegment({1.0f, 0.0f, 0.0f, 1.0f}, thickness);
        return std::make_unique<LookAndFeel_V4_DocumentWindowButton>("close", gui::Colours::closeButton,
                                                                     shape, shape)
            .release();
    }

    if (buttonType == juce::DocumentWindow::minimiseButton)
    {
        shape.addLineSegment({0.0f, 0.5f, 1.0f, 0.5f}, thickness);
        return std::make_unique<LookAndFeel_V4_DocumentWindowButton>("minimise", gui::Colours::minimiseButton,
                                                                     shape, shape)
            .release();
    }

    if (buttonType == juce::DocumentWindow::maximiseButton)
    {
        shape.addLineSegment({0.5f, 0.0f, 0.5f, 1.0f}, thickness);
        shape.addLineSegment({0.0f, 0.5f, 1.0f, 0.5f}, thickness);

        juce::Path fullscreenShape;
        fullscreenShape.startNewSubPath(45.0f, 100.0f);
        fullscreenShape.lineTo(0.0f, 100.0f);
        fullscreenShape.lineTo(0.0f, 0.0f);
        fullscreenShape.lineTo(100.0f, 0.0f);
        fullscreenShape.lineTo(100.0f, 45.0f);
        fullscreenShape.addRectangle(45.0f, 45.0f, 100.0f, 100.0f);
        juce::PathStrokeType(30.0f).createStrokedPath(fullscreenShape, fullscreenShape);

        return std::make_unique<LookAndFeel_V4_DocumentWindowButton>("maximise", gui::Colours::maximiseButton,
                                                                     shape, fullscreenShape)
            .release();
    }

    return nullptr;
}
