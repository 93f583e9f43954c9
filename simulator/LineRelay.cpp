#include "LineRelay.h"

#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>

namespace simulator
{
namespace
{
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

void LineRelay::run()
{
    pthread_setname_np(pthread_self(), "pty line relay");
    std::array<uint8_t, 4096> buffer{};
    while (!stopping)
    {
        std::array<pollfd, 2> fds{{{senderSide, POLLIN, 0}, {receiverSide, POLLIN, 0}}};
        repeatStartRequestWhenDue();
        if (::poll(fds.data(), fds.size(), 20) <= 0)
            continue;
        if ((fds[1].revents & (POLLIN | POLLHUP)) != 0)
        {
            const auto count = ::read(receiverSide, buffer.data(), buffer.size());
            if (count > 0)
            {
                if (!passToSender(buffer.data(), static_cast<size_t>(count)))
                    return;
                lastAnswer = std::chrono::steady_clock::now();
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
                passToReceiver(buffer.data(), static_cast<size_t>(count));
        }
    }
}

bool LineRelay::passToSender(const uint8_t* data, size_t length)
{
    constexpr uint8_t ack = 0x06;
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
    return true;
}

void LineRelay::repeatStartRequestWhenDue()
{
    const auto now = std::chrono::steady_clock::now();
    if (!options.repeatStartRequest || !receiverAskedToStart || forwarded.load() > 0 ||
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

void LineRelay::passToReceiver(uint8_t* data, size_t length)
{
    const auto start = forwarded.load();
    if (options.corruptAt && *options.corruptAt >= start && *options.corruptAt < start + length)
        data[*options.corruptAt - start] ^= 0xA5;
    std::this_thread::sleep_until(lastAnswer + options.turnaround);
    writeAll(receiverSide, data, length);
    forwarded = start + length;
}
} // namespace simulator
