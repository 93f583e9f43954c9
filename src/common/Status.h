#pragma once

#include <juce_data_structures/juce_data_structures.h>

#include <mutex>

// The update's status text, shared by the update thread (writer) and the
// user interface (reader).
struct Status
{
    std::mutex mutex;
    juce::Value message;
};

// Writes the text unless it is already there; logs "Update status: {}" and
// returns true when it changed.
bool setStatusText(Status& status, const juce::String& text);

juce::String readStatusText(Status& status);
