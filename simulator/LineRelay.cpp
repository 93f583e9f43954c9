#include "LineRelay.h"

#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <utility>

namespace simulator
{
namespace
{
constexpr uint8_t soh = 0x01;
constexpr uint8_t stx = 0x02;
constexpr uint8_t eot = 0x04;
constexpr uint8_t ack = 0x06;

void writeAll(int fd, const uint8_t* data, size_t length)
{
    while (length > 0)
    {
        const auto written = ::write(fd, data, length);
        if (written <= 0)
        {
            if (errno != EAGAIN && errno != EINTR)
                return;
            pollfd writable{fd, POLLOUT, 0};
            ::poll(&writable, 1, 10);
            continue;
        }
        data += written;
        length -= static_cast<size_t>(written);
    }
}

// A 1024-byte packet, a 128-byte packet (lrzsz's headers), or one byte.
size_t unitLength(uint8_t first)
{
    if (first == stx)
        return 1029;
    if (first == soh)
        return 133;
    return 1;
}
} // namespace

LineRelay::LineRelay(PseudoTerminal& sender, PseudoTerminal& receiver, Options relayOptions)
    : senderLink(sender)
    , senderSide(sender.masterFd())
    , receiverSide(receiver.masterFd())
    , options(relayOptions)
    , thread([this] { run(); })
{
}

LineRelay::~LineRelay()
{
    stopping = true;
    thread.join();
}

std::vector<LineRelay::Unit> LineRelay::units() const
{
    const std::lock_guard<std::mutex> lock(unitsMutex);
    return sent;
}

int LineRelay::timesSent(Kind kind, std::optional<uint8_t> number) const
{
    const auto all = units();
    return static_cast<int>(std::count_if(
        all.begin(), all.end(),
        [&](const Unit& unit) { return unit.kind == kind && (!number || unit.number == *number); }));
}

void LineRelay::run()
{
    pthread_setname_np(pthread_self(), "pty line relay");
    std::array<uint8_t, 4096> buffer{};
    while (!stopping)
    {
        repeatStartRequestWhenDue();
        std::array<pollfd, 2> fds{{{senderSide, POLLIN, 0}, {receiverSide, POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), 20) <= 0)
        {
            // A quiet line: what began like a packet was none.
            if (!pending.empty())
                passUnit(std::exchange(pending, {}));
            continue;
        }
        if ((fds[1].revents & (POLLIN | POLLHUP)) != 0)
        {
            const auto count = ::read(receiverSide, buffer.data(), buffer.size());
            if (count > 0)
            {
                if (!passToSender(buffer.data(), static_cast<size_t>(count)))
                    return;
            }
            else if (count == 0 || errno == EIO)
            {
                hangUp();
                return;
            }
        }
        if ((fds[0].revents & POLLIN) != 0)
        {
            const auto count = ::read(senderSide, buffer.data(), buffer.size());
            if (count > 0)
                takeFromSender(buffer.data(), static_cast<size_t>(count));
        }
    }
}

bool LineRelay::passToSender(uint8_t* data, size_t length)
{
    auto* const end = data + length;
    auto* const lost = ackToLose ? std::find(data, end, ack) : end;
    if (lost != end)
    {
        ackToLose = false;
        std::copy(lost + 1, end, lost);
        --length;
    }
    constexpr uint8_t startRequest = 'C';
    for (size_t i = 0; i < length; ++i)
    {
        if (data[i] == startRequest)
        {
            receiverAskedToStart = true;
            lastStartRequest = std::chrono::steady_clock::now();
        }
        if (data[i] != ack || !options.hangUpAtAck || ++acks < *options.hangUpAtAck)
            continue;
        writeAll(senderSide, data, options.passLastAck ? i + 1 : i);
        hangUp();
        return false;
    }
    writeAll(senderSide, data, length);
    lastAnswer = std::chrono::steady_clock::now();
    return true;
}

void LineRelay::repeatStartRequestWhenDue()
{
    const auto now = std::chrono::steady_clock::now();
    if (!options.repeatStartRequest || !receiverAskedToStart || fromSender > 0 ||
        now - lastStartRequest < *options.repeatStartRequest)
        return;
    const uint8_t startRequest = 'C';
    writeAll(senderSide, &startRequest, 1);
    lastStartRequest = now;
}

void LineRelay::hangUp()
{
    senderLink.releaseMaster();
    hungUp = true;
}

void LineRelay::takeFromSender(const uint8_t* data, size_t length)
{
    pending.insert(pending.end(), data, data + length);
    while (!pending.empty() && pending.size() >= unitLength(pending.front()))
    {
        const auto unitEnd = pending.begin() + static_cast<long>(unitLength(pending.front()));
        std::vector<uint8_t> unit(pending.begin(), unitEnd);
        pending.erase(pending.begin(), unitEnd);
        passUnit(std::move(unit));
    }
}

LineRelay::Kind LineRelay::classify(const std::vector<uint8_t>& unit)
{
    if (unit.size() == 1 && unit[0] == eot)
    {
        dataInFile = false;
        return Kind::eot;
    }
    if (unit.size() != unitLength(unit[0]) || unit.size() == 1)
        return Kind::other;
    if (unit[1] != 0 || dataInFile)
    {
        dataInFile = true;
        return Kind::data;
    }
    return unit[3] == 0 ? Kind::endOfBatch : Kind::header;
}

bool LineRelay::isFirst(const std::optional<Kind>& chosen, Kind kind) const
{
    return chosen == kind &&
           std::none_of(sent.begin(), sent.end(), [kind](const Unit& u) { return u.kind == kind; });
}

void LineRelay::passUnit(std::vector<uint8_t> unit)
{
    const auto start = fromSender;
    fromSender += unit.size();
    if (options.corruptAt && *options.corruptAt >= start && *options.corruptAt < fromSender)
        unit[*options.corruptAt - start] ^= 0xA5;
    const auto kind = classify(unit);
    const bool lost = isFirst(options.lose, kind);
    if (isFirst(options.loseAckOf, kind))
        ackToLose = true;
    {
        const std::lock_guard<std::mutex> lock(unitsMutex);
        sent.push_back({kind, unit.size() == 1 ? unit[0] : unit[1]});
    }
    if (lost)
        return;
    std::this_thread::sleep_until(lastAnswer + std::chrono::milliseconds(1));
    writeAll(receiverSide, unit.data(), unit.size());
    forwarded += unit.size();
}
} // namespace simulator
