#include "update/PresetMidiFile.h"

namespace
{
constexpr int streamBufferSize = 16384;

double ticksPerSecond(const juce::MidiFile& midiFile)
{
    // A negative high byte: frames per second, low byte: ticks per frame.
    const auto format = static_cast<unsigned short>(midiFile.getTimeFormat());
    const auto framesPerSecond = 256 - (format >> 8);
    return static_cast<double>(framesPerSecond * (format & 0xFF));
}
} // namespace

juce::Result PresetMidiFile::write(const juce::File& file, const std::vector<juce::MidiMessage>& messages)
{
    juce::FileOutputStream stream(file, streamBufferSize);
    if (stream.failedToOpen())
        return stream.getStatus();

    juce::MidiFile midiFile;
    const auto ticks = ticksPerSecond(midiFile);
    juce::MidiMessageSequence sequence;
    const double start = messages.empty() ? 0.0 : messages.front().getTimeStamp();
    for (const auto& message : messages)
    {
        auto event = message;
        // The writer takes time stamps as ticks and rounds them.
        event.setTimeStamp(std::max(0.0, message.getTimeStamp() - start) * ticks);
        sequence.addEvent(event);
    }
    midiFile.addTrack(sequence);
    if (!midiFile.writeTo(stream, 1))
        return juce::Result::fail("Failed to write the MIDI sequence.");
    stream.flush();
    return stream.getStatus();
}

juce::Result PresetMidiFile::read(const juce::File& file, std::vector<juce::MidiMessage>& events)
{
    juce::FileInputStream stream(file);
    juce::MidiFile midiFile;
    // No note-offs made up for lone note-ons: the engine gets what it sent.
    if (stream.failedToOpen() || !midiFile.readFrom(stream, false))
        return juce::Result::fail("Could not read the midi file.");
    if (midiFile.getNumTracks() != 1)
        return juce::Result::fail("Wrong number of tracks found in the MIDI file.");

    events.clear();
    for (const auto* event : *midiFile.getTrack(0))
        if (!event->message.isMetaEvent())
            events.push_back(event->message);
    return juce::Result::ok();
}
