// Our YModem sender against lrzsz's "sb --ymodem -k", both sending to
// lrzsz's "rb --ymodem". Prints, and asserts nothing:
// - a 10 KiB file through a line relay that loses exactly one packet or
//   answer, once: one line per loss, the time until each sender reported
//   its outcome, and whether rb has the identical file;
// - 2 MiB over two pseudo-terminal pairs joined by the relay (1 ms
//   turnaround, which keeps rb from flushing a packet away with its ACK);
// - 2 MiB over a plain socat pseudo-terminal pair, where rb's flush as it
//   exits can swallow its last ACK: median and worst of 16 runs.
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
#include <thread>
#include <vector>

using namespace simulator;
using namespace testsupport;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace
{
// The time-outs the application opens the instrument's port with.
const serial::Timeout applicationTimeouts(100000, 30000, 20, 100000, 20);

struct Run
{
    double seconds = 0;
    bool senderOk = false;
    std::string failure;
    bool intact = false;
    std::optional<int> receiverStatus;
};

// Where the two senders and rb meet.
class Line
{
public:
    virtual ~Line() = default;
    virtual std::string senderPath() const = 0;
    // A descriptor on the sender's side for sb; closed by the caller.
    virtual int openSenderSide() = 0;
    // Our port holds the sender's side now.
    virtual void senderOpened() {}
    virtual std::unique_ptr<PeerProcess> startReceiver(const std::filesystem::path& folder) = 0;
};

// Two pseudo-terminal pairs joined by the line relay.
class RelayLine : public Line
{
public:
    explicit RelayLine(const LineRelay::Options& options)
        : relay(sender, receiver, options)
    {
    }

    std::string senderPath() const override { return sender.slavePath(); }
    int openSenderSide() override { return ::dup(sender.slaveFd()); }
    void senderOpened() override { sender.releaseSlave(); }

    std::unique_ptr<PeerProcess> startReceiver(const std::filesystem::path& folder) override
    {
        auto rb = std::make_unique<PeerProcess>(std::vector<std::string>{"rb", "--ymodem"},
                                                receiver.slaveFd(), receiver.slaveFd(), folder);
        receiver.releaseSlave();
        sender.releaseSlave();
        return rb;
    }

private:
    PseudoTerminal sender{PseudoTerminal::Use::lineForPeer};
    PseudoTerminal receiver{PseudoTerminal::Use::lineForPeer};
    LineRelay relay;
};

// socat's pair of pseudo-terminals, in raw mode.
class SocatLine : public Line
{
public:
    explicit SocatLine(const std::filesystem::path& folder)
        : nowhere(::open("/dev/null", O_RDWR))
        , a(folder / "a")
        , b(folder / "b")
        , socat({"socat", "pty,raw,echo=0,link=" + a.string(), "pty,raw,echo=0,link=" + b.string()}, nowhere,
                nowhere, folder)
    {
        const auto deadline = Clock::now() + 5s;
        while (!(std::filesystem::exists(a) && std::filesystem::exists(b)) && Clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
    }

    ~SocatLine() override { ::close(nowhere); }

    std::string senderPath() const override { return a.string(); }
    int openSenderSide() override { return ::open(a.c_str(), O_RDWR | O_NOCTTY); }

    std::unique_ptr<PeerProcess> startReceiver(const std::filesystem::path& folder) override
    {
        const int side = ::open(b.c_str(), O_RDWR | O_NOCTTY);
        auto rb =
            std::make_unique<PeerProcess>(std::vector<std::string>{"rb", "--ymodem"}, side, side, folder);
        ::close(side);
        return rb;
    }

private:
    const int nowhere;
    const std::filesystem::path a, b;
    PeerProcess socat;
};

void finish(Run& run, std::unique_ptr<PeerProcess>& receiver, const std::filesystem::path& received,
            const std::string& content)
{
    if (receiver)
    {
        run.receiverStatus = receiver->waitFor(3s);
        receiver->kill();
    }
    run.intact = readFile(received) == content;
}

Run sendWithOurs(Line& line, const std::filesystem::path& image, const std::string& content)
{
    const TemporaryFolder folder;
    serial::Serial port(line.senderPath(), 115200, applicationTimeouts);
    line.senderOpened();
    xymodem::SerialHandler handler(port);
    xymodem::YModem sender(handler, (folder.path() / "dspUpdate.log").string(), 2);
    std::unique_ptr<PeerProcess> receiver;
    Run run;
    const auto started = Clock::now();
    try
    {
        sender.transmit(
            {image}, [](float) {},
            [&]
            {
                if (!receiver)
                    receiver = line.startReceiver(folder.path());
                return false;
            },
            false);
        run.senderOk = true;
    }
    catch (const std::exception& failure)
    {
        run.failure = failure.what();
    }
    run.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    finish(run, receiver, folder.path() / image.filename(), content);
    return run;
}

Run sendWithSb(Line& line, const std::filesystem::path& image, const std::string& content)
{
    const TemporaryFolder folder;
    const int side = line.openSenderSide();
    Run run;
    const auto started = Clock::now();
    PeerProcess sender({"sb", "--ymodem", "-k", image.filename().string()}, side, side, image.parent_path());
    ::close(side);
    auto receiver = line.startReceiver(folder.path());
    // sb can wait for an ACK that rb's exit swallowed: 10 s after rb has
    // ended it counts as hung.
    auto deadline = started + 90s;
    std::optional<int> status;
    while (!(status = sender.waitFor(100ms)) && Clock::now() < deadline)
        if (receiver->waitFor(0ms) && deadline > Clock::now() + 10s)
            deadline = Clock::now() + 10s;
    run.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    run.senderOk = status == 0;
    if (!run.senderOk)
        run.failure = status ? "exit status " + std::to_string(*status) : "hung";
    sender.kill();
    finish(run, receiver, folder.path() / image.filename(), content);
    return run;
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

std::string describe(const Run& run)
{
    std::string text = run.senderOk ? "ok" : "FAILS (" + run.failure + ")";
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, ", %.1f s", run.seconds);
    text += seconds;
    if (!run.intact)
        text += ", rb's file differs";
    if (run.receiverStatus != std::optional<int>(0))
        text +=
            run.receiverStatus ? ", rb exit " + std::to_string(*run.receiverStatus) : ", rb still waiting";
    return text;
}

void singleLosses(const std::filesystem::path& image, const std::string& content)
{
    using Kind = LineRelay::Kind;
    struct Loss
    {
        const char* name;
        Kind kind;
        bool itsAck;
    };
    const Loss losses[] = {{"the receiver's ACK of the header", Kind::header, true},
                           {"the receiver's ACK of the EOT", Kind::eot, true},
                           {"the header packet", Kind::header, false},
                           {"the first data packet", Kind::data, false},
                           {"the end-of-batch packet", Kind::endOfBatch, false},
                           {"the EOT", Kind::eot, false}};
    std::printf("\nOne loss, once, 10 KiB through the line relay (time until the sender's outcome):\n");
    std::printf("| the one loss | ours | sb --ymodem -k |\n|---|---|---|\n");
    for (const auto& loss : losses)
    {
        LineRelay::Options options;
        (loss.itsAck ? options.loseAckOf : options.lose) = loss.kind;
        Run ours, sb;
        {
            const QuietStandardOutput quiet;
            RelayLine ourLine(options);
            ours = sendWithOurs(ourLine, image, content);
            RelayLine sbLine(options);
            sb = sendWithSb(sbLine, image, content);
        }
        std::printf("| %s | %s | %s |\n", loss.name, describe(ours).c_str(), describe(sb).c_str());
        std::fflush(stdout);
    }
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <typename MakeLine>
void twoMiB(const char* title, int runs, const std::filesystem::path& image, const std::string& content,
            MakeLine makeLine)
{
    std::printf("\n%s, 2 MiB, %d runs each:\n", title, runs);
    for (const auto* name : {"our sender    ", "sb --ymodem -k"})
    {
        const bool isOurs = name[0] == 'o';
        std::vector<double> seconds;
        int failed = 0, damaged = 0;
        for (int i = 0; i < runs; ++i)
        {
            const QuietStandardOutput quiet;
            const TemporaryFolder folder;
            auto line = makeLine(folder.path());
            const auto run = isOurs ? sendWithOurs(*line, image, content) : sendWithSb(*line, image, content);
            seconds.push_back(run.seconds);
            failed += run.senderOk ? 0 : 1;
            damaged += run.intact ? 0 : 1;
        }
        std::printf("  %s median %.2f s, worst %.2f s, sender failures %d, damaged files %d\n", name,
                    median(seconds), *std::max_element(seconds.begin(), seconds.end()), failed, damaged);
        std::fflush(stdout);
    }
}
} // namespace

int main()
{
    const TemporaryFolder folder;
    const auto small = randomContent(10 * 1024, 2023);
    singleLosses(folder.writeFile("small.sfb", small), small);

    const auto content = randomContent(2 * 1024 * 1024, 2024);
    const auto image = folder.writeFile("image.sfb", content);
    twoMiB("Two pseudo-terminal pairs joined by the line relay (1 ms turnaround)", 5, image, content,
           [](const std::filesystem::path&) { return std::make_unique<RelayLine>(LineRelay::Options{}); });
    twoMiB("A plain socat pseudo-terminal pair", 16, image, content,
           [](const std::filesystem::path& where) { return std::make_unique<SocatLine>(where); });
    return 0;
}
