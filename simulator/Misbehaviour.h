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
    // The answer twice.
    duplicated,
    // The answer cut short, still closed with F7.
    truncated,
    // The answer echoes other sub-codes than the request's.
    wrongSubCodes,
    // The answer carries another manufacturer's identifier.
    foreignManufacturer,
    // A data answer that repeats the request's sub-codes but holds no
    // result: the system reads it as an empty result.
    emptyResult
};
} // namespace simulator
