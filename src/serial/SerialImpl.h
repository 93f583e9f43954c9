#pragma once

#include "InterruptibleDescriptor.h"
#include "Serial.h"

#include <mutex>
#include <optional>

namespace serial
{

// The port on a POSIX terminal device: non-blocking descriptor, raw mode,
// every wait in ppoll together with the close signal.
class Serial::SerialImpl
{
public:
    SerialImpl(const std::string& port, uint32_t baudrate, bytesize_t bytesize, parity_t parity,
               stopbits_t stopbits, flowcontrol_t flowcontrol);
    virtual ~SerialImpl();

    void open();
    void close();
    bool isOpen() const;

    size_t available();
    bool waitReadable(uint32_t timeoutMs);
    void waitByteTimes(size_t count);

    size_t read(uint8_t* buffer, size_t size);
    size_t write(const uint8_t* data, size_t size);

    void setPort(const std::string& port);
    std::string getPort() const;

    void setTimeout(const Timeout& timeout);
    Timeout getTimeout() const;

    void setBaudrate(uint32_t baudrate);
    uint32_t getBaudrate() const;
    void setBytesize(bytesize_t bytesize);
    bytesize_t getBytesize() const;
    void setParity(parity_t parity);
    parity_t getParity() const;
    void setStopbits(stopbits_t stopbits);
    stopbits_t getStopbits() const;
    void setFlowcontrol(flowcontrol_t flowcontrol);
    flowcontrol_t getFlowcontrol() const;

    void flush();
    void flushInput();
    void flushOutput();
    void sendBreak(int duration);
    void setBreak(bool level);
    void setRTS(bool level);
    void setDTR(bool level);
    bool waitForChange();
    bool getCTS();
    bool getDSR();
    bool getRI();
    bool getCD();

    // Serialise readers with readers and writers with writers; setPort and
    // flush take the read lock first, then the write lock.
    std::mutex readMutex;
    std::mutex writeMutex;

private:
    struct Settings
    {
        std::string port;
        Timeout timeout;
        uint32_t baudrate = 9600;
        uint32_t byteTimeNs = 0;
        parity_t parity = parity_none;
        bytesize_t bytesize = eightbits;
        stopbits_t stopbits = stopbits_one;
        flowcontrol_t flowcontrol = flowcontrol_none;
        bool xonxoff = false;
        bool rtscts = false;
    };

    Settings settingsCopy() const;
    // Applies the stored line settings to fd.
    void reconfigurePort(int fd);
    void reconfigureIfOpen();
    void openWhileLocked();
    void closeWhileLocked();
    // Input readable on the leased descriptor within timeoutMs; throws
    // PortNotOpenedException with description when the port is closed meanwhile.
    bool waitReadable(const detail::InterruptibleDescriptor::Lease& lease, uint32_t timeoutMs,
                      const char* description);
    size_t bytesWaiting(int fd) const;
    void sleepByteTimes(size_t count, uint32_t byteTimeNs);
    int modemLines(const char* description, const char* failureText);
    void setModemLine(int line, bool level, const char* description, const char* setText,
                      const char* clearText);

    // Open, close, setPort and the setters run one at a time.
    mutable std::mutex lifecycleMutex;
    mutable std::mutex settingsMutex;
    Settings settings;
    detail::InterruptibleDescriptor descriptor;
};

} // namespace serial
