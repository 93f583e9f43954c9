#include "common/DisposableFile.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace
{
juce::File makeTemporaryFolder()
{
    auto folder = juce::File::getSpecialLocation(juce::File::tempDirectory)
                      .getNonexistentChildFile("disposable", "", false);
    EXPECT_TRUE(folder.createDirectory().wasOk());
    return folder;
}
} // namespace

TEST(DisposableFile, DeletesAFileAndAFolderWithItsContents)
{
    const auto root = makeTemporaryFolder();
    const auto file = root.getChildFile("single.bin");
    ASSERT_TRUE(file.replaceWithText("data"));
    const auto folder = root.getChildFile("snapshot");
    ASSERT_TRUE(folder.getChildFile("inner/deeper").createDirectory().wasOk());
    ASSERT_TRUE(folder.getChildFile("inner/deeper/a.csv").replaceWithText("1,2\n"));

    {
        const DisposableFile disposableFile(file);
        const DisposableFile disposableFolder(folder);
    }
    EXPECT_FALSE(file.exists());
    EXPECT_FALSE(folder.exists());
    root.deleteRecursively();
}

TEST(DisposableFile, AMovedFromObjectDeletesNothingAndTheNewOwnerDeletesOnce)
{
    testsupport::LogCapture log;
    const auto root = makeTemporaryFolder();
    const auto file = root.getChildFile("moved.bin");
    ASSERT_TRUE(file.replaceWithText("data"));

    std::optional<DisposableFile> owner;
    {
        DisposableFile original(file);
        owner.emplace(std::move(original));
        EXPECT_EQ(original.getFile(), juce::File());
    }
    EXPECT_TRUE(file.existsAsFile());

    DisposableFile other(root.getChildFile("other.bin"));
    ASSERT_TRUE(other.getFile().replaceWithText("x"));
    other = std::move(*owner); // "other.bin" goes now, "moved.bin" with other
    EXPECT_FALSE(root.getChildFile("other.bin").exists());
    EXPECT_TRUE(file.existsAsFile());
    owner.reset();
    EXPECT_TRUE(file.existsAsFile());
    {
        const auto last = std::move(other);
    }
    EXPECT_FALSE(file.exists());
    EXPECT_TRUE(log.lines().empty());
    root.deleteRecursively();
}

TEST(DisposableFile, AMissingPathLogsNothingAndAnUndeletableFileWarns)
{
    testsupport::LogCapture log;
    {
        const DisposableFile gone(juce::File("/tmp/tavelo-never-existed-" + juce::String(getpid())));
        const DisposableFile empty{juce::File()};
    }
    EXPECT_TRUE(log.lines().empty());

    if (geteuid() == 0)
        GTEST_SKIP() << "root deletes files in read-only folders";

    const auto root = makeTemporaryFolder();
    const auto file = root.getChildFile("locked.bin");
    ASSERT_TRUE(file.replaceWithText("data"));
    chmod(root.getFullPathName().toRawUTF8(), 0500);
    {
        const DisposableFile locked(file);
    }
    chmod(root.getFullPathName().toRawUTF8(), 0700);
    EXPECT_EQ(log.count(spdlog::level::warn, "Temporary file locked.bin could not be deleted"), 1);
    root.deleteRecursively();
}
