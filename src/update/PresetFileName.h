#pragma once

#include <juce_core/juce_core.h>

#include <set>
#include <string>

// Turns a preset's name (the bytes the sound engine sent) into the name of
// its MIDI file and back, so that no name can reach outside the snapshot
// folder, break a group file line, or take another preset's file.
//
// Escaped as %HH: bytes below 0x20, 0x7F and above, / \ % , " # and a
// leading "." or "~"; every other byte stays, so a plain name keeps the file
// name "<name>.mid". Within one download a name whose file is taken already
// gets "#<group>-<slot>" before ".mid", and the empty name gets
// "#<group>-<slot>.mid".
class PresetFileName
{
public:
    static constexpr const char* extension = ".mid";

    // The file name, without extension, of a name.
    static juce::String encode(const std::string& name);
    // The name of a file name without extension: a trailing
    // "#<digits>-<digits>" removed, then the %HH escapes decoded; nothing
    // else changes.
    static std::string decode(const juce::String& stem);
    // The file name without ".mid" (or, for another extension, without it).
    static juce::String stemOf(const juce::String& fileName);

    // The file name, with extension, for the preset of one slot: unique
    // among those given out by this object (letter case ignored, for file
    // systems that ignore it).
    juce::String fileNameFor(const std::string& name, int group, int slot);

private:
    std::set<juce::String> taken;
};
