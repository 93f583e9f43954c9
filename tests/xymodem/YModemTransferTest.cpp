#include "XYModemExceptions.h"
#include "support/TransferRig.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <tuple>

using namespace xymodemtest;
using namespace testsupport;
using Kind = ReceiverModel::Kind;

namespace
{
size_t packetsFor(size_t size)
{
    return (size + 1023) / 1024;
}

std::vector<float> expectedProgress(size_t packets)
{
    std::vector<float> progress;
    for (size_t sent = 1; sent <= packets; ++sent)
        progress.push_back(static_cast<float>(sent) / static_cast<float>(packets));
    return progress;
}
} // namespace

class TransferSizes : public testing::TestWithParam<std::tuple<size_t, bool>>
{
};

TEST_P(TransferSizes, ReceiverReassemblesTheFileWithOneProgressStepPerPacket)
{
    const auto [size, together] = GetParam();
    TransferRig rig;
    rig.receiver.setAckAndRequestTogether(together);
    const auto content = randomContent(size, static_cast<uint32_t>(size));
    const auto path = rig.folder.writeFile("image.sfb", content);

    rig.receiverStarts();
    rig.send({path});

    EXPECT_TRUE(rig.receiver.problems().empty()) << rig.receiver.problems().front();
    ASSERT_EQ(rig.receiver.files().size(), 1u);
    const auto& file = rig.receiver.files().front();
    EXPECT_EQ(file.name, "image.sfb");
    EXPECT_EQ(file.size, static_cast<long long>(size));
    EXPECT_TRUE(file.complete);
    EXPECT_TRUE(file.data == content);
    EXPECT_TRUE(rig.receiver.batchEnded());

    const auto packets = packetsFor(size);
    ASSERT_EQ(rig.receiver.acceptedNumbers().size(), packets);
    for (size_t i = 0; i < packets; ++i)
        ASSERT_EQ(rig.receiver.acceptedNumbers()[i], static_cast<uint8_t>(i + 1)) << "packet " << i;
    EXPECT_EQ(rig.progress, expectedProgress(packets));
    // Header, data, EOT, end of batch: nothing twice, no cancel.
    EXPECT_EQ(rig.device.writes().size(), packets + 3);
    EXPECT_EQ(rig.cancelCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, TransferSizes,
                         testing::Combine(testing::Values(0, 1, 1023, 1024, 1025, 2048, 256 * 1024 + 1),
                                          testing::Bool()));

TEST(YModemBatch, SendsTheLastFileFirstEachNumberedFromOne)
{
    TransferRig rig;
    const auto first = randomContent(3000, 1);
    const auto second = randomContent(1500, 2);
    const auto firstPath = rig.folder.writeFile("first.dat", first);
    const auto secondPath = rig.folder.writeFile("second.sfb", second);

    rig.receiverStarts();
    rig.send({firstPath, secondPath});

    EXPECT_TRUE(rig.receiver.problems().empty());
    ASSERT_EQ(rig.receiver.files().size(), 2u);
    EXPECT_EQ(rig.receiver.files()[0].name, "second.sfb");
    EXPECT_TRUE(rig.receiver.files()[0].data == second);
    EXPECT_EQ(rig.receiver.files()[1].name, "first.dat");
    EXPECT_TRUE(rig.receiver.files()[1].data == first);
    EXPECT_EQ(rig.receiver.acceptedNumbers(), (std::vector<uint8_t>{1, 2, 1, 2, 3}));
    EXPECT_TRUE(rig.receiver.batchEnded());
    EXPECT_EQ(rig.progress, (std::vector<float>{0.5f, 1.0f, 1.0f / 3, 2.0f / 3, 1.0f}));
}

TEST(YModemHeader, CarriesTheFilesOwnModificationTimeInMicroseconds)
{
    TransferRig rig;
    const auto path = rig.folder.writeFile("a.dat", randomContent(2048, 3));
    const timespec times[2] = {{1600000000, 0}, {1600000000, 987654321}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);

    rig.receiverStarts();
    rig.send({path});

    ASSERT_EQ(rig.receiver.files().size(), 1u);
    EXPECT_EQ(rig.receiver.files()[0].modificationTime, 1600000000000000LL);
    EXPECT_EQ(rig.receiver.files()[0].size, 2048);
}

// Every file is checked before anything is sent, so a missing one is
// reported at once even with no receiver on the line.
TEST(YModemBatch, AMissingFileFailsBeforeAnythingIsSent)
{
    TransferRig rig;
    const auto present = rig.folder.writeFile("present.sfb", "x");
    EXPECT_THROW(rig.send({rig.folder.path() / "missing.sfb", present}), XYModemExceptions::CouldNotOpenFile);
    EXPECT_TRUE(rig.device.writes().empty());
}

TEST(YModemHeader, AFileThatVanishesAfterItsHeaderEndsTheTransferWithACancel)
{
    TransferRig rig;
    const auto path = rig.folder.writeFile("image.sfb", randomContent(5000, 4));
    rig.receiver.setFault(
        [&](const ReceiverModel::Event& event) -> std::optional<ReceiverModel::Reply>
        {
            if (event.kind == Kind::header)
                std::filesystem::remove(path);
            return std::nullopt;
        });

    rig.receiverStarts();
    EXPECT_THROW(rig.send({path}), XYModemExceptions::CouldNotOpenFile);
    EXPECT_EQ(rig.device.writes().size(), 2u);
    EXPECT_TRUE(rig.lastWriteIsCancel());
    EXPECT_EQ(rig.cancelCount(), 1);
}
