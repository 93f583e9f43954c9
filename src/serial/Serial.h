#pragma once

#include <chrono>

#include "SerialExceptions.h"
#include "SerialTypes.h"
#include "Timeout.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace serial
{

// A serial port: opened in raw mode, read and written against millisecond
// deadlines. One reader and one writer may work at once; close() may come
// from any thread and ends the reads and writes in progress promptly with a
// PortNotOpenedException.
class Serial
{
public:
    // Opens the port at once when the name is not empty.
    explicit Serial(const std::string& port = std::string(), uint32_t baudrate = 9600,
                    Timeout timeout = Timeout(), bytesize_t bytesize = eightbits,
                    parity_t parity = parity_none, stopbits_t stopbits = stopbits_one,
                    flowcontrol_t flowcontrol = flowcontrol_none);
    virtual ~Serial();

    Serial(const Serial&) = delete;
    Serial& operator=(const Serial&) = delete;

    void open();
    void close();
    bool isOpen() const;

    // Bytes waiting in the driver's input queue; 0 when closed.
    size_t available();

    // Waits at most read_timeout_constant ms for input; true when readable.
    bool waitReadable();
    // The same with a wait of its own, for callers that wait in slices.
    bool waitReadable(std::chrono::milliseconds limit);

    // Sleeps the time that count characters take on the line.
    void waitByteTimes(size_t count);

    // Read up to size bytes; a short count means the deadline passed.
    size_t read(uint8_t* buffer, size_t size);
    size_t read(std::vector<uint8_t>& buffer, size_t size = 1);
    size_t read(std::string& buffer, size_t size = 1);
    std::string read(size_t size = 1);

    size_t readline(std::string& buffer, size_t size = 65536, std::string eol = "\n");
    std::string readline(size_t size = 65536, std::string eol = "\n");
    std::vector<std::string> readlines(size_t size = 65536, std::string eol = "\n");

    // Write; a short count means the deadline passed.
    size_t write(const uint8_t* data, size_t size);
    size_t write(const std::vector<uint8_t>& data);
    size_t write(const std::string& data);

    void setPort(const std::string& port);
    std::string getPort() const;

    void setTimeout(const Timeout& timeout);
    Timeout getTimeout() const;

    // Each setter stores the value and, on an open port, applies it at once.
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
    void setBreak(bool level = true);
    void setRTS(bool level = true);
    void setDTR(bool level = true);
    bool waitForChange();
    bool getCTS();
    bool getDSR();
    bool getRI();
    bool getCD();

    class SerialImpl;

private:
    std::unique_ptr<SerialImpl> pimpl;
};

} // namespace serial
