#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace testsupport
{
// An empty folder of its own, removed with its contents at destruction.
class TemporaryFolder
{
public:
    TemporaryFolder();
    ~TemporaryFolder();

    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const noexcept { return folder; }
    std::filesystem::path writeFile(const std::string& name, const std::string& content) const;

private:
    std::filesystem::path folder;
};

// Reproducible pseudo-random bytes.
std::string randomContent(size_t size, uint32_t seed);
std::string readFile(const std::filesystem::path& path);
} // namespace testsupport
