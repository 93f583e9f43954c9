#pragma once

#include <juce_data_structures/juce_data_structures.h>

// Attaches a listener to a value for the binder's lifetime, after telling it
// the current value once.
class ValueListenerBinder
{
public:
    ValueListenerBinder(juce::Value& value, juce::Value::Listener* listener);
    ~ValueListenerBinder();

    ValueListenerBinder(const ValueListenerBinder&) = delete;
    ValueListenerBinder& operator=(const ValueListenerBinder&) = delete;

private:
    juce::Value& value;
    juce::Value::Listener* const listener;
};
