#pragma once

#include <spdlog/spdlog.h>

#include <algorithm>
#include <forward_list>
#include <utility>

namespace utils
{

// A list of listeners of one interface. Used on the message thread only.
template <typename T>
class Broadcaster
{
public:
    virtual ~Broadcaster() = default;

    void addChangeListener(T* listener)
    {
        if (contains(listener))
        {
            spdlog::warn("Broadcaster::addChangeListener: Invalid input: The listener to add is already in "
                         "the listener list.");
            return;
        }
        listeners.push_front(listener);
        listenerAdded(listener);
    }

    void removeChangeListener(T* listener)
    {
        if (!contains(listener))
        {
            spdlog::warn("Broadcaster::removeChangeListener: Tried to remove an element which was not on the "
                         "list.");
            return;
        }
        listeners.remove(listener);
    }

    // Calls every listener on a copy of the list, so listeners may add or
    // remove listeners meanwhile; one removed before its turn is skipped.
    template <typename... Params, typename... Args>
    void sendChangeMessage(void (T::*operation)(Params...), Args&&... arguments)
    {
        if (listeners.empty())
            return;

        const auto snapshot = listeners;
        for (auto* listener : snapshot)
            if (contains(listener))
                (listener->*operation)(arguments...);
    }

protected:
    virtual void listenerAdded(T* listener) const = 0;

    bool contains(const T* listener) const
    {
        return std::find(listeners.begin(), listeners.end(), listener) != listeners.end();
    }

private:
    std::forward_list<T*> listeners;
};

} // namespace utils
