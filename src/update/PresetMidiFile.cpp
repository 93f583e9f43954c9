#include "update/PresetMidiFile.h"

#include <optional>

namespace
{
constexpr int streamBufferSize = 16384;
// Preset files are a few kB; this is the limit juce::MidiFile::readFrom sets.
constexpr juce::int64 largestFile = 200 * 1024 * 1024;

constexpr juce::uint32 chunkTag(const char (&name)[5])
{
    return static_cast<juce::uint32>(name[0]) << 24 | static_cast<juce::uint32>(name[1]) << 16 |
           static_cast<juce::uint32>(name[2]) << 8 | static_cast<juce::uint32>(name[3]);
}

// A big-endian number of `count` bytes from the front, or nothing when fewer
// are left.
std::optional<juce::uint32> take(const juce::uint8*& data, size_t& left, size_t count)
{
    if (left < count)
        return std::nullopt;
    juce::uint32 value = 0;
    for (size_t i = 0; i < count; ++i)
        value = value << 8 | data[i];
    data += count;
    left -= count;
    return value;
}

// The events of a track chunk in the file's order, meta events left out:
// juce::MidiFile::readFrom puts note-offs (and note-ons of velocity 0)
// before note-ons of the same tick. Like that reader, stops at an event it
// cannot make out.
std::vector<juce::MidiMessage> trackEvents(const juce::uint8* data, size_t left)
{
    std::vector<juce::MidiMessage> events;
    juce::uint8 runningStatus = 0;
    double tick = 0;
    while (left > 0)
    {
        const auto delta = juce::MidiMessage::readVariableLengthValue(data, static_cast<int>(left));
        if (!delta.isValid())
            break;
        data += delta.bytesUsed;
        left -= static_cast<size_t>(delta.bytesUsed);
        tick += delta.value;
        if (left == 0)
            break;

        int used = 0;
        const juce::MidiMessage message(data, static_cast<int>(left), used, runningStatus, tick);
        if (used <= 0 || static_cast<size_t>(used) > left)
            break;
        data += used;
        left -= static_cast<size_t>(used);
        const auto status = message.getRawData()[0];
        if ((status & 0xF0) != 0xF0)
            runningStatus = status;
        // On the wire FF is a System Reset.
        if (!message.isMetaEvent())
            events.push_back(message);
    }
    return events;
}

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
    const auto unreadable = juce::Result::fail("Could not read the midi file.");
    juce::MemoryBlock block;
    if (file.getSize() > largestFile || !file.loadFileAsData(block))
        return unreadable;
    auto data = static_cast<const juce::uint8*>(block.getData());
    auto left = block.getSize();

    // Header: tag, length, format, number of chunks, time division. As in
    // juce::MidiFile::readFrom, the length (6 from the writer) is only held
    // against what the file has left.
    const auto tag = take(data, left, 4);
    const auto headerLength = take(data, left, 4);
    if (!tag || *tag != chunkTag("MThd") || !headerLength || *headerLength > left)
        return unreadable;
    const auto format = take(data, left, 2);
    const auto chunks = take(data, left, 2);
    const auto timeDivision = take(data, left, 2);
    if (!timeDivision || *format > 2 || (*format == 0 && *chunks != 1))
        return unreadable;

    int tracks = 0;
    for (juce::uint32 chunk = 0; chunk < *chunks; ++chunk)
    {
        const auto type = take(data, left, 4);
        const auto size = take(data, left, 4);
        if (!type || !size || *size > left)
            return unreadable;
        if (*type == chunkTag("MTrk") && ++tracks == 1)
            events = trackEvents(data, *size);
        data += *size;
        left -= *size;
    }
    // Bytes past the announced chunks make the file unreadable, as they do
    // for juce::MidiFile::readFrom.
    if (left != 0)
        return unreadable;
    if (tracks != 1)
        return juce::Result::fail("Wrong number of tracks found in the MIDI file.");
    return juce::Result::ok();
}
