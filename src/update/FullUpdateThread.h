#pragma once

#include "common/Progress.h"
#include "common/Status.h"

#include <juce_core/juce_core.h>
#include <juce_data_structures/juce_data_structures.h>

#include <filesystem>
#include <memory>
#include <vector>

class Core;

// Placeholder until the real update thread lands: same constructor, runs
// straight to the end.
class FullUpdateThread : public juce::Thread, private juce::Value::Listener
{
public:
    FullUpdateThread(Core& core, std::vector<std::filesystem::path> files, SharedProgress progress,
                     std::shared_ptr<Status> status, bool isFactoryFirmware);
    ~FullUpdateThread() override;

    void setStatusMessage(const juce::String& text);
    void run() override;

private:
    void valueChanged(juce::Value&) override {}

    Core& core;
    const std::vector<std::filesystem::path> files;
    const SharedProgress progress;
    const std::shared_ptr<Status> status;
    const bool isFactoryFirmware;
};
