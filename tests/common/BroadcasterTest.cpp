#include "common/Broadcaster.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
struct Listener
{
    virtual ~Listener() = default;
    virtual void changed(int value) = 0;
};

class TestBroadcaster : public utils::Broadcaster<Listener>
{
public:
    mutable std::vector<Listener*> added;

protected:
    void listenerAdded(Listener* listener) const override { added.push_back(listener); }
};

struct Recorder : Listener
{
    Recorder(std::vector<std::string>& journalToUse, std::string nameToUse)
        : journal(journalToUse)
        , name(std::move(nameToUse))
    {
    }
    void changed(int value) override
    {
        journal.push_back(name + ":" + std::to_string(value));
        if (onChange)
            onChange();
    }
    std::vector<std::string>& journal;
    std::string name;
    std::function<void()> onChange;
};
} // namespace

TEST(Broadcaster, NotifiesMostRecentlyAddedFirstAndCallsTheHookOncePerListener)
{
    TestBroadcaster broadcaster;
    std::vector<std::string> journal;
    Recorder a(journal, "A"), b(journal, "B");

    broadcaster.addChangeListener(&a);
    broadcaster.addChangeListener(&b);
    broadcaster.sendChangeMessage(&Listener::changed, 7);

    EXPECT_EQ(journal, (std::vector<std::string>{"B:7", "A:7"}));
    EXPECT_EQ(broadcaster.added, (std::vector<Listener*>{&a, &b}));
}

TEST(Broadcaster, RefusesADuplicateWithOneWarningAndRemovingAStrangerWarnsToo)
{
    testsupport::LogCapture log;
    TestBroadcaster broadcaster;
    std::vector<std::string> journal;
    Recorder a(journal, "A"), stranger(journal, "S");

    broadcaster.addChangeListener(&a);
    broadcaster.addChangeListener(&a);
    broadcaster.removeChangeListener(&stranger);
    broadcaster.sendChangeMessage(&Listener::changed, 1);

    EXPECT_EQ(journal, (std::vector<std::string>{"A:1"}));
    EXPECT_EQ(broadcaster.added.size(), 1u);
    EXPECT_EQ(log.count(spdlog::level::warn,
                        "Broadcaster::addChangeListener: Invalid input: The listener to add is "
                        "already in the listener list."),
              1);
    EXPECT_EQ(
        log.count(spdlog::level::warn,
                  "Broadcaster::removeChangeListener: Tried to remove an element which was not on the list."),
        1);
}

TEST(Broadcaster, ListenersRemovedOrAddedDuringABroadcastAreSkippedInThatPass)
{
    TestBroadcaster broadcaster;
    std::vector<std::string> journal;
    Recorder a(journal, "A"), b(journal, "B"), c(journal, "C"), late(journal, "L");

    broadcaster.addChangeListener(&a);
    broadcaster.addChangeListener(&b);
    broadcaster.addChangeListener(&c);
    // Order of calls is C, B, A: C removes A before A's turn and adds L.
    c.onChange = [&]
    {
        broadcaster.removeChangeListener(&a);
        broadcaster.addChangeListener(&late);
        c.onChange = nullptr;
    };
    broadcaster.sendChangeMessage(&Listener::changed, 2);
    EXPECT_EQ(journal, (std::vector<std::string>{"C:2", "B:2"}));

    journal.clear();
    broadcaster.sendChangeMessage(&Listener::changed, 3);
    EXPECT_EQ(journal, (std::vector<std::string>{"L:3", "C:3", "B:3"}));
}

TEST(Broadcaster, AListenerRemovingItselfAndAnEmptyListAreHarmless)
{
    TestBroadcaster broadcaster;
    broadcaster.sendChangeMessage(&Listener::changed, 0);

    std::vector<std::string> journal;
    Recorder a(journal, "A");
    broadcaster.addChangeListener(&a);
    a.onChange = [&] { broadcaster.removeChangeListener(&a); };
    broadcaster.sendChangeMessage(&Listener::changed, 4);
    broadcaster.sendChangeMessage(&Listener::changed, 5);
    EXPECT_EQ(journal, (std::vector<std::string>{"A:4"}));
}
