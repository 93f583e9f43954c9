#include "InstrumentLink.h"

#include "midiUsb/SysExAnswerParser.h"
#include "utils/FmtJuceString.h"

#include <spdlog/spdlog.h>

namespace simulator
{
namespace
{
constexpr const char* portName = "Tavelo play";

juce::String findIdentifier(const std::vector<juce::MidiDeviceInfo>& devices)
{
    for (const auto& device : devices)
        if (device.name == portName)
            return device.identifier;
    return {};
}
} // namespace

InstrumentLink::InstrumentLink(midiUsb::MidiSystem& system, midiUsb::SysExMidiHandler& handlerToUse)
    : handler(handlerToUse)
    , self(std::make_shared<InstrumentLink*>(this))
{
    if (const auto identifier = findIdentifier(system.getInputs()); identifier.isNotEmpty())
        input = system.openInput(identifier, *this);
    if (const auto identifier = findIdentifier(system.getOutputs()); identifier.isNotEmpty())
        output = system.openOutput(identifier);
    if (input != nullptr)
        input->start();
    handler.setMidiOutput(output.get());
}

InstrumentLink::~InstrumentLink()
{
    handler.setMidiOutput(nullptr);
    if (input != nullptr)
        input->stop();
    self.reset();
}

void InstrumentLink::midiMessageReceived(midiUsb::MidiInputPort&, const juce::MidiMessage& message)
{
    if (juce::MessageManager::getInstance()->isThisTheMessageThread())
        ++messagesOnMessageThread;
    juce::MessageManager::callAsync(
        [weak = std::weak_ptr<InstrumentLink*>(self), message]
        {
            if (const auto link = weak.lock())
                (*link)->handleMessage(message);
        });
}

void InstrumentLink::handleMessage(const juce::MidiMessage& message)
{
    spdlog::debug("Midi message received: {}", message.getDescription());
    const auto answer = midiUsb::SysExAnswerParser::parse(message.getRawData(),
                                                          static_cast<std::size_t>(message.getRawDataSize()));
    auto& queue = handler.getRequestQueue();
    const auto belongs = [&answer](const juce::MidiMessage& request)
    { return answer.belongsTo(request.getRawData(), static_cast<std::size_t>(request.getRawDataSize())); };

    using Outcome = midiUsb::SysExAnswer::Outcome;
    auto completion = midiUsb::MessageRequestQueue::Completion::completed;
    if (answer.outcome == Outcome::success)
        completion = queue.currentRequestSucceeded(answer.text, belongs);
    else if (answer.outcome == Outcome::emptyResult)
        completion = queue.currentRequestHasEmptyResult(belongs);

    if (answer.problem.isNotEmpty())
        spdlog::error("{}", answer.problem);
    if (completion == midiUsb::MessageRequestQueue::Completion::answerDoesNotMatch &&
        answer.kind == midiUsb::SysExAnswer::Kind::keyPosition)
        spdlog::error(midiUsb::SysExAnswerParser::requestedKeyMismatchText);

    if (onMessageHandled)
        onMessageHandled(message);
}
} // namespace simulator
