#pragma once

namespace simulator
{
// How the instrument answers one request.
enum class Misbehaviour
{
    none,
    silent,             // no answer at all
    late,               // the answer after the late delay instead of the latency
    wrongSubCodes,      // other sub-codes than the request's: another request's answer
    emptyResult,        // the request's sub-codes, then a count of none
    cutShort,           // the request's sub-codes, then a count of one entry that is not there
    garbageAfterHeader, // the request's sub-codes, then bytes that make no sense
    staleAnswerFirst    // an info answer of another type, with a stale text, before the proper one
};
} // namespace simulator
