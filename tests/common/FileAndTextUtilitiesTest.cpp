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

TEST(DisposableFile, DeletesAFileOrAFolderOnceByItsLastOwnerAndWarnsWhenItCannot)
{
    testsupport::LogCapture log;
    const auto root = makeTemporaryFolder();
    const auto file = root.getChildFile("moved.bin"), folder = root.getChildFile("snapshot");
    ASSERT_TRUE(file.replaceWithText("data"));
    ASSERT_TRUE(folder.getChildFile("inner/a.csv").create().wasOk());

    std::optional<DisposableFile> owner;
    {
        DisposableFile original(file);
        owner.emplace(std::move(original));
        const DisposableFile gone(juce::File("/tmp/tavelo-never-existed-" + juce::String(getpid())));
    }
    EXPECT_TRUE(file.existsAsFile());
    DisposableFile other(folder);
    other = std::move(*owner); // the folder goes now, the file with other
    EXPECT_FALSE(folder.exists());
    owner.reset();
    EXPECT_TRUE(file.existsAsFile());
    {
        const auto last = std::move(other);
    }
    EXPECT_FALSE(file.exists());
    EXPECT_TRUE(log.lines().empty()) << "a missing path logs nothing";

    if (geteuid() != 0) // root deletes files in read-only folders
    {
        ASSERT_TRUE(file.replaceWithText("data"));
        chmod(root.getFullPathName().toRawUTF8(), 0500);
        DisposableFile{file};
        chmod(root.getFullPathName().toRawUTF8(), 0700);
        EXPECT_EQ(log.count(spdlog::level::warn, "Temporary file moved.bin could not be deleted"), 1);
    }
    root.deleteRecursively();
}
