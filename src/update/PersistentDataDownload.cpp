#include "update/PersistentDataDownload.h"

PersistentDataDownload::PersistentDataDownload(midiUsb::SysExMidiHandler&, Hooks, const UpdateTiming&) {}

PersistentDataDownload::~PersistentDataDownload() = default;

juce::Result PersistentDataDownload::run()
{
    folder = juce::File::getSpecialLocation(juce::File::userHomeDirectory).getChildFile("TaveloBackUp");
    return folder.createDirectory();
}

juce::File PersistentDataDownload::snapshotFolder() const
{
    return folder;
}
