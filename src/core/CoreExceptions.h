#pragma once

#include <juce_core/juce_core.h>

#include <exception>

namespace CoreExceptions
{

class CouldNotFindDevice : public std::exception
{
public:
    explicit CouldNotFindDevice(juce::String searchedIdentifier)
        : identifier(std::move(searchedIdentifier))
    {
    }
    const char* what() const noexcept override { return "Could not find the device."; }
    const juce::String& getIdentifier() const noexcept { return identifier; }

private:
    juce::String identifier;
};

class CouldNotOpenInputDevice : public std::exception
{
public:
    explicit CouldNotOpenInputDevice(juce::String portPath)
        : path(std::move(portPath))
    {
    }
    const char* what() const noexcept override { return "Could not open MIDI input."; }
    const juce::String& getPath() const noexcept { return path; }

private:
    juce::String path;
};

} // namespace CoreExceptions
