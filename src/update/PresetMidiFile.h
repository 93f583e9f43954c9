#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <vector>

// One preset's data as a Standard MIDI File of format 1 with one track, in
// the framework's default time division (25 frames of 40 ticks a second).
class PresetMidiFile
{
public:
    PresetMidiFile() = delete;

    // The messages with their times relative to the first one's, from the
    // time stamps (in seconds) the MIDI input gave them.
    static juce::Result write(const juce::File& file, const std::vector<juce::MidiMessage>& messages);

    // The track's events exactly in the file's order, meta events left out:
    // on the wire FF is a System Reset. Fails on a file that is no Standard
    // MIDI File, is cut short or runs past its chunks, or holds other than
    // one track.
    static juce::Result read(const juce::File& file, std::vector<juce::MidiMessage>& events);
};
