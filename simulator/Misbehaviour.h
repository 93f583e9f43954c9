#pragma once

namespace simulator
{
// How the instrument answers one request.
enum class Misbehaviour
{
    none,
    // No answer at all.
    silent,
    // The answer comes after the late delay instead of the latency.
    late,
    // The answer echoes other sub-codes than the request's: another request's answer.
    wrongSubCodes,
    // The request's sub-codes, then a count of one entry that is not there.
    emptyResult
};
} // namespace simulator
