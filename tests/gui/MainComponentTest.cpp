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

using guitest::findAll;
using guitest::findFirst;
using guitest::settle;
using Rect = juce::Rectangle<int>;

namespace
{
struct MainComponentTest : testing::Test
{
    guitest::WindowUnderTest app;
    const juce::File archive = app.home.getFolder().getChildFile("firmware.taveloupdate");

    void SetUp() override
    {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run the tests under Xvfb (xvfb-run)";
        archive.replaceWithText("not inspected by the window");
    }

    FirmwareUpdateComponent& panel() { return findFirst<FirmwareUpdateComponent>(app.window()); }
    gui::ActionButton& button(const juce::String& text)
    {
        for (auto* b : findAll<gui::ActionButton>(panel()))
            if (b->getButtonText() == text)
                return *b;
        throw std::runtime_error("no such button");
    }
    juce::Value& value(std::string_view key) { return app.core().values[key]; }
    bool updateOver()
    {
        return !static_cast<bool>(value(Dictionary::firmwareLongOperation).getValue()) &&
               !(app.core().longOperation && app.core().longOperation->isThreadRunning()) &&
               button("Launch").isEnabled();
    }

    // What a user sees, read from the live component tree.
    std::string describe()
    {
        auto& usb = findFirst<USBComponent>(app.window());
        std::string text =
            findFirst<juce::Label>(usb).getText().toStdString() + " " +
            findFirst<ConnectionStatusIndicator>(usb).getFillColour().toDisplayString(false).toStdString();

        std::string fields;
        for (auto* field : findAll<SysInfoComponent>(app.window()))
            if (field->isShowing())
                fields += (fields.empty() ? "" : " / ") + field->getText().toStdString();
        text += " | " + (fields.empty() ? std::string("no fields") : fields) + " |";

        auto& p = panel();
        if (!p.isShowing())
            return text + " no panel";
        for (auto* child : p.getChildren())
        {
            if (!child->isVisible())
                continue;
            if (auto* b = dynamic_cast<juce::Button*>(child))
                text += " [" + b->getButtonText().toStdString() + (b->isEnabled() ? "]" : " disabled]");
            else if (auto* l = dynamic_cast<juce::Label*>(child))
                text += " " + l->getText().toStdString();
            else if (auto* bar = dynamic_cast<juce::ProgressBar*>(child))
                text += " bar " +
                        std::to_string(juce::roundToInt(
                            bar->getAccessibilityHandler()->getValueInterface()->getCurrentValue() * 100)) +
                        "%";
        }
        // The outline has no other observable: its top edge, half a pixel
        // of the panel's grey.
        const auto image = p.createComponentSnapshot(p.getLocalBounds());
        const auto edge = Rect(8, 0, image.getWidth() - 16, 1);
        const auto outlined =
            guitest::countPixels(
                image,
                [](juce::Colour c)
                { return c.getAlpha() > 60 && guitest::closeTo(c.withAlpha(1.0f), gui::Colours::grey1, 4); },
                edge) > edge.getWidth() * 9 / 10;
        return text + (outlined ? " outline" : " no outline");
    }
};

TEST_F(MainComponentTest, eachStateShowsWhatTheUserNeedsAndNothingElse)
{
    auto& status = *panel().getStatus();
    auto& progress = *panel().getProgress();
    const auto home = app.home.getFolder().getFileName().toStdString();
    const std::string connected =
        "connected 32CD32 | serial n.  TVP-0042-1187 / firmware v.  2.3.1 / dsp v.  1.8.0 |";
    // What the update thread's status, progress and posted flips would write.
    const auto update = [&](bool running, const char* text, double fraction)
    {
        setStatusText(status, text);
        progress.set(fraction);
        value(Dictionary::firmwareLongOperation) = running;
    };

    const struct
    {
        const char* state;
        std::function<void()> act;
        std::string expected;
    } rows[] = {
        {"startup-without-instrument", [] {}, "disconnected FF0000 | no fields | no panel"},
        {"instrument-connected", [&] { app.instrument.connect(); },
         connected + " [Select Tavelo firmware] " + home + " outline"},
        {"archive-chosen", [&] { panel().onFileChosen(archive); },
         connected + " [Select Tavelo firmware] [Launch] firmware.taveloupdate outline"},
        {"folder-chosen", [&] { panel().onFileChosen(app.home.getFolder()); },
         connected + " [Select Tavelo firmware] No file selected. outline"},
        {"missing-file-chosen", [&] { panel().onFileChosen(archive.getSiblingFile("gone.taveloupdate")); },
         connected + " [Select Tavelo firmware] No file selected. outline"},
        {"update-running",
         [&]
         {
             panel().onFileChosen(archive);
             update(true, "Updating firmware.", 0.42);
         },
         "connected 32CD32 | no fields | bar 42% Updating firmware. no outline"},
        {"update-succeeded", [&] { update(false, "Update finished.", 1.0); },
         connected +
             " [Select Tavelo firmware] [Launch] firmware.taveloupdate bar 100% Update finished. outline"},
        {"update-failed",
         [&]
         {
             update(true, "Updating firmware.", 0.2);
             settle([&] { return !button("Launch").isVisible(); });
             update(false, "Error: Failed to send the firmware file.", 0.2);
         },
         connected + " [Select Tavelo firmware] [Launch] firmware.taveloupdate bar 20% Error: Failed to send "
                     "the firmware "
                     "file. outline"},
        {"failure-then-instrument-gone", [&] { app.instrument.disconnect(); },
         "disconnected FF0000 | no fields | [Select Tavelo firmware] firmware.taveloupdate bar 20% Error: "
         "Failed to "
         "send the firmware file. outline"},
        {"archive-chosen-again", [&] { panel().onFileChosen(archive); },
         "disconnected FF0000 | no fields | no panel"},
    };

    for (const auto& row : rows)
    {
        row.act();
        settle([&] { return describe() == row.expected; });
        EXPECT_EQ(describe(), row.expected) << row.state;
        // The framework's bar glides to its number, 80 % a second: let the
        // picture catch up with the tree.
        if (row.expected.find(" bar ") != std::string::npos)
            testsupport::pumpMessages(std::chrono::milliseconds(1500));
        guitest::saveSnapshot(app.window(), juce::String("window-") + row.state);
    }
}

TEST_F(MainComponentTest, theLayoutIsFractionsOfTheWindowRoundedOneByOne)
{
    MainComponent content(app.core());
    auto& header = findFirst<Header>(content);
    const struct
    {
        int w, h;
        std::vector<Rect> children; // picture, hardware, update, footer, header, connection line
    } rows[] = {
        {1000,
         567,
         {{-60, 57, 1100, 397},
          {100, 482, 800, 85},
          {100, 408, 800, 85},
          {0, 539, 1000, 28},
          {0, 0, 1000, 85},
          {800, 0, 200, 85}}},
        {0, 0, {{}, {}, {}, {}, {}, {}}},
    };
    for (const auto& row : rows)
    {
        content.setSize(row.w, row.h);
        std::vector<Rect> actual;
        for (auto* child : content.getChildren())
            actual.push_back(child->getBounds());
        actual.push_back(header.getChildComponent(0)->getBounds());
        EXPECT_EQ(actual, row.children) << row.w << " x " << row.h;
    }
    EXPECT_EQ(content.getChildComponent(0)->getName(), "TaveloImage");

    // The logo: the middle fifth of a 1000 x 85 header, fitted by its height.
    header.setSize(1000, 85);
    const auto logo = guitest::boundsOf(header.createComponentSnapshot(header.getLocalBounds()),
                                        [](juce::Colour c) { return c.getAlpha() > 100; }, {0, 0, 800, 85});
    EXPECT_NEAR(logo.getX(), 400, 2);
    EXPECT_NEAR(logo.getY(), 34, 1);
    EXPECT_NEAR(logo.getWidth(), 199, 2);
    EXPECT_NEAR(logo.getHeight(), 17, 1);

    auto& usb = findFirst<USBComponent>(header);
    usb.setSize(400, 100);
    EXPECT_EQ(findFirst<juce::Label>(usb).getBounds(), Rect(100, 40, 170, 20));
    auto& dot = findFirst<ConnectionStatusIndicator>(usb);
    EXPECT_EQ(dot.getBounds(), Rect(270, 41, 30, 20));
    const auto circle = guitest::boundsOf(dot.createComponentSnapshot(dot.getLocalBounds()),
                                          [](juce::Colour c) { return c.getAlpha() > 0; });
    EXPECT_EQ(circle, Rect(10, 5, 10, 10));
}

TEST_F(MainComponentTest, launchStartsOneUpdateOnARegularFileAndPassesTheFactoryFlag)
{
    const struct
    {
        const char* name;
        juce::String version, path;
        int clicks;
        bool starts, factory;
    } rows[] = {
        {"folder", "2.3.1", app.home.getFolder().getFullPathName(), 1, false, false},
        {"nothing chosen", "2.3.1", "No file selected.", 1, false, false},
        {"missing file", "2.3.1", archive.getSiblingFile("gone.taveloupdate").getFullPathName(), 1, false,
         false},
        {"archive, clicked twice", "2.3.1", archive.getFullPathName(), 2, true, false},
        {"factory", "1.2.3-FACTORY", archive.getFullPathName(), 1, true, true},
        {"factory and more", "1.2.3-factoryX", archive.getFullPathName(), 1, true, false},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
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
        EXPECT_EQ(button("Launch").isEnabled(), !row.starts) << "disabled at the click itself";
        EXPECT_EQ(log.count("Factory firmware detected: no preset back up will be made."),
                  row.factory ? 1 : 0);
        EXPECT_EQ(log.count(spdlog::level::warn, "No file selected, cannot launch update"),
                  row.starts ? 0 : 1);
        const auto alerts = guitest::openAlerts();
        ASSERT_EQ(alerts.size(), row.starts ? 0u : 1u);
        if (!row.starts)
        {
            EXPECT_EQ(alerts.front()->getDescription(),
                      "Warning. You must select a file before launching the update.");
        }

        guitest::dismissAlerts();
        ASSERT_TRUE(settle([&] { return updateOver(); }, std::chrono::seconds(60)));
        EXPECT_EQ(panel().isShowingOutcome(), row.starts) << "the end of the update is seen";
    }
}

TEST_F(MainComponentTest, theChosenArchiveIsOfferedAgainAfterARestart)
{
    app.instrument.connect();
    panel().onFileChosen(archive);
    const struct
    {
        bool deleteArchive;
        juce::String path, label;
        bool launchShown;
    } rows[] = {
        {false, archive.getFullPathName(), "firmware.taveloupdate", true},
        {true, archive.getParentDirectory().getFullPathName(), archive.getParentDirectory().getFileName(),
         false},
    };
    for (const auto& row : rows)
    {
        app.close();
        if (row.deleteArchive)
            archive.deleteFile();
        app.open();
        ASSERT_TRUE(settle([&] { return static_cast<bool>(value(Dictionary::canLaunchUpdate).getValue()); }));
        EXPECT_EQ(value(Dictionary::firmwareAbsolutePath).toString(), row.path);
        EXPECT_EQ(findFirst<gui::SelectedPathLabel>(panel()).getText(), row.label);
        EXPECT_EQ(button("Launch").isVisible(), row.launchShown);
    }
}
} // namespace
