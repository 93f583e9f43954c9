#include "common/Broadcaster.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace
{
struct Listener
{
    virtual ~Listener() = default;
    virtual void changed(int value) = 0;
};

struct Rig : utils::Broadcaster<Listener>
{
    // A listener that journals its calls under its name and runs onChange.
    struct Recorder : Listener
    {
        Recorder(Rig& rigToUse, std::string nameToUse)
            : rig(rigToUse)
            , name(std::move(nameToUse))
        {
        }
        void changed(int value) override
        {
            rig.journal.push_back(name + ":" + std::to_string(value));
            if (onChange)
                std::exchange(onChange, nullptr)();
        }
        Rig& rig;
        std::string name;
        std::function<void()> onChange;
    };
    void listenerAdded(Listener* listener) const override { journal.push_back("added " + name(listener)); }
    std::string name(Listener* listener) const { return static_cast<Recorder*>(listener)->name; }
    mutable std::vector<std::string> journal;
};
} // namespace

TEST(Broadcaster, NotifiesMostRecentFirstAndRefusesADuplicateWithAWarning)
{
    testsupport::LogCapture log;
    Rig rig;
    Rig::Recorder a(rig, "A"), b(rig, "B"), stranger(rig, "S");
    rig.sendChangeMessage(&Listener::changed, 0); // an empty list is harmless
    for (auto* listener : {&a, &b, &a})
        rig.addChangeListener(listener);
    rig.removeChangeListener(&stranger);
    rig.sendChangeMessage(&Listener::changed, 7);
    EXPECT_EQ(rig.journal, (std::vector<std::string>{"added A", "added B", "B:7", "A:7"}));
    EXPECT_EQ(log.count(spdlog::level::warn,
                        "Broadcaster::addChangeListener: Invalid input: The listener to add "
                        "is already in the listener list."),
              1);
    EXPECT_EQ(
        log.count(spdlog::level::warn,
                  "Broadcaster::removeChangeListener: Tried to remove an element which was not on the list."),
        1);
}

TEST(Broadcaster, ListenersRemovedOrAddedDuringABroadcastAreSkippedInThatPass)
{
    Rig rig;
    Rig::Recorder a(rig, "A"), b(rig, "B"), c(rig, "C"), late(rig, "L");
    for (auto* listener : {&a, &b, &c})
        rig.addChangeListener(listener);
    // Called C, B, A: C removes A before its turn and adds L; B removes itself.
    c.onChange = [&]
    {
        rig.removeChangeListener(&a);
        rig.addChangeListener(&late);
    };
    b.onChange = [&] { rig.removeChangeListener(&b); };
    rig.journal.clear();
    rig.sendChangeMessage(&Listener::changed, 2);
    rig.sendChangeMessage(&Listener::changed, 3);
    EXPECT_EQ(rig.journal, (std::vector<std::string>{"C:2", "added L", "B:2", "L:3", "C:3"}));
}
