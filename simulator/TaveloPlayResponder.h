#pragma once

#include "InstrumentData.h"
#include "Misbehaviour.h"

#include <optional>

namespace simulator
{
// The instrument's own SysEx dialogue, without threads or time: the answer
// to each request, and how a misbehaving instrument spoils it.
class TaveloPlayResponder
{
public:
    using Bytes = SysExAnswerBuilder::Bytes;

    // The proper answer, or nothing for a message that gets none.
    static std::optional<Bytes> answer(const Bytes& request, const InstrumentData& data);

    static constexpr const char* staleText = "stale answer";

    // The messages that go out instead of the proper answer.
    static std::vector<Bytes> spoil(const Bytes& answer, Misbehaviour misbehaviour);
};
} // namespace simulator
