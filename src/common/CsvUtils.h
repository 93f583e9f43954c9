#pragma once

#include <juce_core/juce_core.h>

#include <initializer_list>

namespace CsvUtils
{
// Joins the fields with "," as they are (no quoting) and ends the line.
juce::String makeCSVline(std::initializer_list<juce::String> fields);
} // namespace CsvUtils
