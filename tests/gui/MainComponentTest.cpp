#include "PixelProbe.h"
#include "WindowTestSupport.h"

#include "common/Dictionary.h"
#include "gui/ActionButton.h"
#include "gui/Colours.h"
#include "gui/ConnectionStatusIndicator.h"
#include "gui/FirmwareUpdateComponent.h"
#include "gui/Header.h"
#include "gui/MainComponent.h"
#include "gui/SysInfoComponent.h"
#include "gui/USBComponent.h"
#include "support/LogCapture.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace guitest;
using Rect = juce::Rectangle<int>;

namespace
{
struct MainComponentTest : testing::Test
{
    WindowUnderTest app;
    const juce::File archive = app.home.getFolder().getChildFile("firmware.taveloupdate");

    void SetUp() override { archive.replaceWithText("not inspected by the window"); }
    FirmwareUpdateComponent& panel() { return findFirst<FirmwareUpdateComponent>(app.window()); }
    gui::ActionButton& launch()
    {
        for (auto* b : findAll<gui::ActionButton>(panel()))
            if (b->getButtonText() == "Launch")
                return *b;
        throw std::runtime_error("no Launch button");
    }
    juce::Value& value(std::string_view key) { return app.core().values[key]; }

    // What a user sees, read from the live component tree.
    std::string describe()
    {
        auto& usb = findFirst<USBComponent>(app.window());
        std::string text =
            findFirst<juce::Label>(usb).getText().toStdString() + " " +
            findFirst<ConnectionStatusIndicator>(usb).getFillColour().toDisplayString(false).toStdString() +
            " |";
        for (auto* field : findAll<SysInfoComponent>(app.window()))
            text += field->isShowing() ? " " + field->getText().toStdString() + " /" : "";
        auto& p = panel();
        if (!p.isShowing())
            return text + " no panel";
        for (auto* child : p.getChildren())
            if (auto* b = dynamic_cast<juce::Button*>(child); b && b->isVisible())
                text += " [" + b->getButtonText().toStdString() + (b->isEnabled() ? "]" : " disabled]");
            else if (auto* l = dynamic_cast<juce::Label*>(child); l && l->isVisible())
                text += " " + l->getText().toStdString();
            else if (auto* bar = dynamic_cast<juce::ProgressBar*>(child); bar && bar->isVisible())
                text += " bar " +
                        std::to_string(juce::roundToInt(
                            bar->getAccessibilityHandler()->getValueInterface()->getCurrentValue() * 100)) +
                        "%";
        // The outline's only observable: its top edge in the panel's grey.
        const auto image = p.createComponentSnapshot(p.getLocalBounds());
        const auto edge = Rect(8, 0, image.getWidth() - 16, 1);
        const auto grey = [](juce::Colour c)
        { return c.getAlpha() > 60 && closeTo(c.withAlpha(1.0f), gui::Colours::grey1, 4); };
        return text +
               (countPixels(image, grey, edge) > edge.getWidth() * 9 / 10 ? " outline" : " no outline");
    }
};

TEST_F(MainComponentTest, eachStateShowsWhatTheUserNeedsAndNothingElse)
{
    const auto home = app.home.getFolder().getFileName().toStdString();
    const std::string on =
        "connected 32CD32 | serial n.  TVP-0042-1187 / firmware v.  2.3.1 / dsp v.  1.8.0 /";
    const std::string chosen = " [Select Tavelo firmware] [Launch] firmware.taveloupdate";
    const std::string outcome = " Error: Failed to send the firmware file. outline";
    const std::string failed = " firmware.taveloupdate" + outcome;
    // The dialog's answer to Escape: no file at all.
    const auto cancelChoice = [&]
    {
        const juce::FileChooser cancelled("Please select the Tavelo firmware");
        panel().onFileChosen(cancelled);
    };
    // What the update thread's status, progress and posted flips would write.
    const auto update = [&](bool running, const char* text, double fraction)
    {
        setStatusText(*panel().getStatus(), text);
        panel().getProgress()->set(fraction);
        value(Dictionary::firmwareLongOperation) = running;
    };
    const struct
    {
        const char* state;
        std::function<void()> act;
        std::string expected;
    } rows[] = {
        {"startup-without-instrument", [] {}, "disconnected FF0000 | no panel"},
        {"instrument-connected", [&] { app.instrument.connect(); },
         on + " [Select Tavelo firmware] " + home + " outline"},
        {"archive-chosen", [&] { panel().onFileChosen(archive); }, on + chosen + " outline"},
        {"missing-file-chosen", [&] { panel().onFileChosen(archive.getSiblingFile("gone.taveloupdate")); },
         on + " [Select Tavelo firmware] No file selected. outline"},
        {"update-running",
         [&]
         {
             panel().onFileChosen(archive);
             update(true, "Updating firmware.", 0.42);
         },
         "connected 32CD32 | bar 42% Updating firmware. no outline"},
        {"update-succeeded", [&] { update(false, "Update finished.", 1.0); },
         on + chosen + " Update finished. outline"},
        {"update-failed",
         [&]
         {
             update(true, "Updating firmware.", 0.2);
             settle([&] { return !launch().isVisible(); });
             update(false, "Error: Failed to send the firmware file.", 0.2);
         },
         on + " [Select Tavelo firmware] [Launch]" + failed},
        {"failure-then-instrument-gone", [&] { app.instrument.disconnect(); },
         "disconnected FF0000 | [Select Tavelo firmware]" + failed},
        // A cancel forgets the choice, as ever, but the outcome stays.
        {"instrument-gone-then-choice-cancelled", cancelChoice,
         "disconnected FF0000 | [Select Tavelo firmware] No file selected." + outcome},
    };
    for (const auto& row : rows)
    {
        row.act();
        settle([&] { return describe() == row.expected; });
        EXPECT_EQ(describe(), row.expected) << row.state;
        if (row.expected.find(" bar ") != std::string::npos)
            testsupport::pumpMessages(std::chrono::milliseconds(1500)); // the bar glides to its number
        saveSnapshot(app.window(), juce::String("window-") + row.state);
    }
}

TEST_F(MainComponentTest, theLayoutIsFractionsOfTheWindowRoundedOneByOne)
{
    MainComponent content(app.core());
    auto& header = findFirst<Header>(content);
    content.setSize(1000, 567);
    std::vector<Rect> actual; // picture, hardware, update, footer, header, connection line
    for (auto* child : content.getChildren())
        actual.push_back(child->getBounds());
    actual.push_back(header.getChildComponent(0)->getBounds());
    EXPECT_EQ(actual, (std::vector<Rect>{{-60, 57, 1100, 397},
                                         {100, 482, 800, 85},
                                         {100, 408, 800, 85},
                                         {0, 539, 1000, 28},
                                         {0, 0, 1000, 85},
                                         {800, 0, 200, 85}}));
    EXPECT_EQ(content.getChildComponent(0)->getName(), "TaveloImage");

    // The logo: the middle fifth of the header, fitted by its height.
    const auto opaque = [](juce::Colour c) { return c.getAlpha() > 100; };
    const auto logo =
        boundsOf(header.createComponentSnapshot(header.getLocalBounds()), opaque, {0, 0, 800, 85});
    EXPECT_NEAR(logo.getX(), 400, 2);
    EXPECT_NEAR(logo.getY(), 34, 1);
    EXPECT_NEAR(logo.getWidth(), 199, 2);
    EXPECT_NEAR(logo.getHeight(), 17, 1);

    auto& usb = findFirst<USBComponent>(header);
    usb.setSize(400, 100);
    EXPECT_EQ(findFirst<juce::Label>(usb).getBounds(), Rect(100, 40, 170, 20));
    auto& dot = findFirst<ConnectionStatusIndicator>(usb);
    EXPECT_EQ(dot.getBounds(), Rect(270, 41, 30, 20));
    EXPECT_EQ(boundsOf(dot.createComponentSnapshot(dot.getLocalBounds()),
                       [](juce::Colour c) { return c.getAlpha() > 0; }),
              Rect(10, 5, 10, 10));
}

// Dragged by a corner or an edge, the window stops at the limits that its
// opening size gives, keeps its proportions, and shows the instrument whole.
// Dragged by its title bar, or grown upwards, it keeps its title bar where it
// can be grabbed again: the top never above the screen, the whole bar above
// its bottom, 64 pixels beside the buttons at either side.
TEST_F(MainComponentTest, aDragKeepsTheSizeLimitsTheTitleBarOnScreenAndTheInstrumentWhole)
{
    auto& window = app.window();
    const auto w = static_cast<float>(window.getWidth()), h = static_cast<float>(window.getHeight());
    const Rect minimum(static_cast<int>(w / 1.4f), static_cast<int>(h / 1.4f));
    const Rect maximum(static_cast<int>(w * 1.4f), static_cast<int>(h * 1.4f));
    const auto screen = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay()->userArea;
    // The title bar beside its buttons, in the window's coordinates.
    const auto grabbable = [&window]
    {
        const auto bar = window.getTitleBarArea();
        return bar.withRight(std::min(window.getMinimiseButton()->getX(), window.getCloseButton()->getX()));
    };
    enum class Grab
    {
        titleBar,
        topLeft,
        leftEdge,
        bottomRight
    };
    // Each row starts where the one before left the window.
    const struct
    {
        const char* drag;
        Grab grab;
        juce::Point<int> distance;
        Rect limit;
    } rows[] = {
        {"none", Grab::bottomRight, {0, 0}, {}},
        {"up", Grab::titleBar, {0, -400}, {}},
        {"up-again", Grab::titleBar, {0, -400}, {}},
        {"left", Grab::titleBar, {-3000, 0}, {}},
        {"left-again", Grab::titleBar, {-3000, 0}, {}},
        {"right", Grab::titleBar, {5000, 0}, {}},
        {"right-again", Grab::titleBar, {5000, 0}, {}},
        {"down", Grab::titleBar, {0, 3000}, {}},
        {"down-again", Grab::titleBar, {0, 3000}, {}},
        {"up-right", Grab::titleBar, {3000, -3000}, {}},
        {"up-right-again", Grab::titleBar, {3000, -3000}, {}},
        {"down-left", Grab::titleBar, {-5000, 5000}, {}},
        {"down-left-again", Grab::titleBar, {-5000, 5000}, {}},
        {"below-minimum", Grab::bottomRight, {-3000, -3000}, minimum},
        {"back-up-right", Grab::titleBar, {1000, -800}, {}},
        {"grown-from-top-left", Grab::topLeft, {-3000, -3000}, {}},
        {"grown-from-left", Grab::leftEdge, {-300, 0}, {}},
        {"above-maximum", Grab::bottomRight, {3000, 3000}, maximum},
    };
    // The cheeks' wood, grain included.
    const auto wood = [](juce::Colour c)
    { return closeTo(c, juce::Colour(0xff6e4b32), 20) || closeTo(c, juce::Colour(0xff5d3f2a), 20); };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.drag);
        // A user grabs the title bar by what is left of it on the screen, at
        // its far side from where it is pushed; the pointer stays on the screen.
        const auto grabPoint = [&]() -> juce::Point<int>
        {
            switch (row.grab)
            {
            case Grab::topLeft:
                return {0, 0};
            case Grab::leftEdge:
                return {0, window.getHeight() / 2};
            case Grab::bottomRight:
                return {window.getWidth() - 1, window.getHeight() - 1};
            case Grab::titleBar:
                break;
            }
            auto visible =
                (grabbable() + window.getPosition()).getIntersection(screen) - window.getPosition();
            if (visible.isEmpty())
                visible = grabbable();
            const auto far = [](int distance, int low, int high) {
                return distance < 0 ? high - 1 : distance > 0 ? low : (low + high) / 2;
            };
            return {far(row.distance.x, visible.getX(), visible.getRight()),
                    far(row.distance.y, visible.getY(), visible.getBottom())};
        };
        drag(window, grabPoint(), row.distance);
        const auto bounds = serverBounds(window);
        EXPECT_EQ(bounds, window.getScreenBounds()) << "the X server has the window's place and size";
        const auto size = bounds.withZeroOrigin();
        EXPECT_TRUE(Rect(minimum.getWidth(), minimum.getHeight(), maximum.getWidth() - minimum.getWidth() + 1,
                         maximum.getHeight() - minimum.getHeight() + 1)
                        .contains(size.getBottomRight()))
            << size.toString();
        if (!row.limit.isEmpty())
        {
            EXPECT_TRUE(size.getWidth() == row.limit.getWidth() || size.getHeight() == row.limit.getHeight())
                << size.toString();
        }
        // The opening size is truncated side by side: up to 2 pixels off.
        EXPECT_NEAR(size.getWidth(), size.getHeight() * 30.0 / 17.0, 2.0);

        EXPECT_GE(bounds.getY(), screen.getY()) << bounds.toString();
        EXPECT_LE(bounds.getY() + window.getTitleBarArea().getBottom(), screen.getBottom())
            << bounds.toString();
        EXPECT_GE((grabbable() + bounds.getPosition()).getIntersection(screen).getWidth(), 64)
            << bounds.toString();

        // Across the middle of the picture: window grey at both sides, and both
        // wooden ends whole, as wide as each other.
        auto& content = *window.getContentComponent();
        const auto image = content.createComponentSnapshot(content.getLocalBounds());
        const auto across = Rect(0, juce::roundToInt(image.getHeight() * 0.45f), image.getWidth(), 1);
        const auto left = countPixels(image, wood, across.withWidth(image.getWidth() / 2));
        const auto right = countPixels(image, wood, across.withLeft(image.getWidth() / 2));
        EXPECT_GT(left, image.getWidth() / 50);
        EXPECT_NEAR(left, right, 3);
        for (const auto x : {0, image.getWidth() - 1})
            EXPECT_TRUE(closeTo(image.getPixelAt(x, across.getY()), gui::Colours::greyBackground)) << x;
        saveSnapshot(window, juce::String("window-drag-") + row.drag);
    }
}

TEST_F(MainComponentTest, launchStartsOneUpdateOnARegularFileAndPassesTheFactoryFlag)
{
    const struct
    {
        juce::String version, path;
        int clicks;
        bool starts, factory;
    } rows[] = {
        {"2.3.1", app.home.getFolder().getFullPathName(), 1, false, false},
        {"2.3.1", archive.getFullPathName(), 2, true, false},
        {"1.2.3-FACTORY", archive.getFullPathName(), 1, true, true},
        {"1.2.3-factoryX", archive.getFullPathName(), 1, true, false},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.version + " " + row.path);
        value(Dictionary::currentTaveloVersionKey) = row.version;
        value(Dictionary::firmwareAbsolutePath) = row.path;
        const testsupport::LogCapture log;
        const auto* before = app.core().longOperation.get();
        std::vector<const juce::Thread*> threads;
        for (int click = 0; click < row.clicks; ++click)
        {
            panel().onLaunchClicked();
            threads.push_back(app.core().longOperation.get());
        }
        EXPECT_EQ(log.count("Starting long operation."), row.starts ? 1 : 0);
        EXPECT_EQ(threads.front() != before, row.starts);
        EXPECT_EQ(threads.back(), threads.front());
        EXPECT_EQ(launch().isEnabled(), !row.starts) << "disabled at the click itself";
        EXPECT_EQ(log.count("Factory firmware detected: no preset back up will be made."),
                  row.factory ? 1 : 0);
        EXPECT_EQ(log.count(spdlog::level::warn, "No file selected, cannot launch update"),
                  row.starts ? 0 : 1);
        const auto alerts = openAlerts();
        ASSERT_EQ(alerts.size(), row.starts ? 0u : 1u);
        if (!row.starts)
        {
            EXPECT_EQ(alerts.front()->getDescription(),
                      "Warning. You must select a file before launching the update.");
        }
        dismissAlerts();
        ASSERT_TRUE(settle(
            [&]
            {
                return !static_cast<bool>(value(Dictionary::firmwareLongOperation).getValue()) &&
                       !(app.core().longOperation && app.core().longOperation->isThreadRunning()) &&
                       launch().isEnabled();
            },
            std::chrono::seconds(60)));
        EXPECT_EQ(panel().isShowingOutcome(), row.starts) << "the end of the update is seen";
    }
}

TEST_F(MainComponentTest, theChosenArchiveIsOfferedAgainAfterARestart)
{
    app.instrument.connect();
    panel().onFileChosen(archive);
    for (const bool deleteArchive : {false, true})
    {
        app.close();
        if (deleteArchive)
            archive.deleteFile();
        app.open();
        ASSERT_TRUE(settle([&] { return static_cast<bool>(value(Dictionary::canLaunchUpdate).getValue()); }));
        const auto shown = deleteArchive ? archive.getParentDirectory() : archive;
        EXPECT_EQ(value(Dictionary::firmwareAbsolutePath).toString(), shown.getFullPathName());
        EXPECT_EQ(findFirst<gui::SelectedPathLabel>(panel()).getText(), shown.getFileName());
        EXPECT_EQ(launch().isVisible(), !deleteArchive);
    }
}
} // namespace
