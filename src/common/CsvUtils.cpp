#include "common/CsvUtils.h"

namespace CsvUtils
{
juce::String makeCSVline(std::initializer_list<juce::String> fields)
{
    juce::StringArray parts;
    for (const auto& field : fields)
        parts.add(field);
    return parts.joinIntoString(",") + "\n";
}
} // namespace CsvUtils
