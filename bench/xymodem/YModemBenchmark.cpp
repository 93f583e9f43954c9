// Sends the same 2 MiB file to lrzsz's "rb --ymodem" over pseudo-terminals,
// once with our sender and once with lrzsz's own "sb --ymodem -k", several
// runs each, and prints the median wall times, their ratio, the receiver's
// retry stalls and our sender's CPU time per MiB. Asserts nothing.
//
// The two pseudo-terminal pairs are joined by a line relay: rb flushes its
// input right after writing each ACK, so on one bare pair either sender's
// next packet is now and then flushed away, and rb stalls until its own
// retry (sb then sometimes never finishes); a serial line's turnaround
// prevents that.
#include "LineRelay.h"
#include "PeerProcess.h"
#include "SerialHandler.h"
#include "YModem.h"
#include "support/TemporaryFolder.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace simulator;
using namespace testsupport;
using Clock = std::chrono::steady_clock;

namespace
{
constexpr size_t fileSize = 2 * 1024 * 1024;
constexpr int runs = 5;

struct Run
{
    double seconds = 0;
    double cpuSeconds = 0;
    int stalls = 0;
    bool intact = false;
};

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

int countOccurrences(const std::string& text, const std::string& word)
{
    int count = 0;
    for (auto at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
        ++count;
    return count;
}

// One sending: a bare pseudo-terminal pair, or two pairs joined by a line
// relay whose turnaround keeps rb from flushing a packet away with its ACK.
class Line
{
public:
    explicit Line(std::optional<std::chrono::microseconds> turnaround)
    {
        if (turnaround)
        {
            receiverSide =
                std::make_unique<simulator::PseudoTerminal>(simulator::PseudoTerminal::Use::lineForPeer);
            LineRelay::Options options;
            options.turnaround = *turnaround;
            relay = std::make_unique<LineRelay>(senderSide, *receiverSide, options);
        }
    }

    const std::string& senderPath() const { return senderSide.slavePath(); }
    int senderFd() const { return senderSide.slaveFd(); }

    std::unique_ptr<PeerProcess> startReceiver(const std::filesystem::path& folder)
    {
        std::unique_ptr<PeerProcess> receiver;
        if (receiverSide)
        {
            receiver =
                std::make_unique<PeerProcess>(std::vector<std::string>{"rb", "--ymodem"},
                                              receiverSide->slaveFd(), receiverSide->slaveFd(), folder);
            receiverSide->releaseSlave();
        }
        else
        {
            receiver = std::make_unique<PeerProcess>(std::vector<std::string>{"rb", "--ymodem"},
                                                     senderSide.masterFd(), senderSide.masterFd(), folder);
            senderSide.releaseMaster();
        }
        return receiver;
    }

    // The sender's side is held by the sender alone from now on.
    void releaseSenderSide() { senderSide.releaseSlave(); }

private:
    simulator::PseudoTerminal senderSide{simulator::PseudoTerminal::Use::lineForPeer};
    std::unique_ptr<simulator::PseudoTerminal> receiverSide;
    std::unique_ptr<LineRelay> relay;
};

Run finish(std::unique_ptr<PeerProcess>& receiver, Clock::time_point started,
           const std::filesystem::path& received, const std::string& content)
{
    Run run;
    receiver->waitFor(std::chrono::minutes(2));
    run.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    const auto errors = receiver->errorOutput();
    run.stalls = countOccurrences(errors, "TIMEOUT") + countOccurrences(errors, "Timeout");
    const auto got = readFile(received);
    run.intact = got.size() >= content.size() && got.compare(0, content.size(), content) == 0;
    return run;
}

Run sendWithOurs(const std::filesystem::path& image, const std::string& content,
                 std::optional<std::chrono::microseconds> turnaround)
{
    const TemporaryFolder folder;
    Line line(turnaround);
    serial::Serial port(line.senderPath(), 115200, serial::Timeout(100000, 30000, 20, 100000, 20));
    line.releaseSenderSide();
    xymodem::SerialHandler handler(port);
    xymodem::YModem sender(handler, (folder.path() / "dspUpdate.log").string(), 2);
    std::unique_ptr<PeerProcess> receiver;

    const auto started = Clock::now();
    const auto cpuBefore = threadCpuSeconds();
    sender.transmit(
        {image}, [](float) {},
        [&]
        {
            if (!receiver)
                receiver = line.startReceiver(folder.path());
            return false;
        },
        true);
    const auto cpu = threadCpuSeconds() - cpuBefore;
    auto run = finish(receiver, started, folder.path() / image.filename(), content);
    run.cpuSeconds = cpu;
    return run;
}

Run sendWithSb(const std::filesystem::path& image, const std::string& content,
               std::optional<std::chrono::microseconds> turnaround)
{
    const TemporaryFolder folder;
    Line line(turnaround);
    const auto started = Clock::now();
    PeerProcess sender({"sb", "--ymodem", "-k", image.string()}, line.senderFd(), line.senderFd(),
                       image.parent_path());
    line.releaseSenderSide();
    auto receiver = line.startReceiver(folder.path());
    sender.waitFor(std::chrono::minutes(2));
    return finish(receiver, started, folder.path() / image.filename(), content);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Our sender's console lines would drown the figures: they go nowhere
// while it runs.
class QuietStandardOutput
{
public:
    QuietStandardOutput()
        : saved(::dup(STDOUT_FILENO))
    {
        std::fflush(stdout);
        const int nowhere = ::open("/dev/null", O_WRONLY);
        ::dup2(nowhere, STDOUT_FILENO);
        ::close(nowhere);
    }

    ~QuietStandardOutput()
    {
        std::fflush(stdout);
        ::dup2(saved, STDOUT_FILENO);
        ::close(saved);
    }

    QuietStandardOutput(const QuietStandardOutput&) = delete;
    QuietStandardOutput& operator=(const QuietStandardOutput&) = delete;

private:
    const int saved;
};

void compare(const char* title, const std::filesystem::path& image, const std::string& content,
             std::optional<std::chrono::microseconds> turnaround)
{
    std::vector<double> ours, theirs, cpu;
    int ourStalls = 0, theirStalls = 0, damaged = 0;
    for (int i = 0; i < runs; ++i)
    {
        const QuietStandardOutput quiet;
        const auto mine = sendWithOurs(image, content, turnaround);
        const auto sb = sendWithSb(image, content, turnaround);
        ours.push_back(mine.seconds);
        cpu.push_back(mine.cpuSeconds);
        theirs.push_back(sb.seconds);
        ourStalls += mine.stalls;
        theirStalls += sb.stalls;
        damaged += (mine.intact ? 0 : 1) + (sb.intact ? 0 : 1);
    }
    const auto ourMedian = median(ours);
    const auto sbMedian = median(theirs);
    std::printf("\n%s, %d runs each, 2 MiB:\n", title, runs);
    std::printf("  our sender     median %.3f s, receiver retry stalls %d\n", ourMedian, ourStalls);
    std::printf("  sb --ymodem -k median %.3f s, receiver retry stalls %d\n", sbMedian, theirStalls);
    std::printf("  ratio ours / sb: %.3f (target: at most 1.1)\n", ourMedian / sbMedian);
    std::printf("  our sender's CPU time: %.2f ms per MiB (median)\n", median(cpu) * 1000.0 / 2.0);
    if (damaged > 0)
        std::printf("  WARNING: %d received files differ from the original\n", damaged);
}
} // namespace

int main()
{
    const TemporaryFolder folder;
    const auto content = randomContent(fileSize, 2024);
    const auto image = folder.writeFile("image.sfb", content);

    compare("Two pseudo-terminal pairs joined by a line relay (1 ms turnaround)", image, content,
            std::chrono::microseconds(1000));
    return 0;
}
