#include "SerialDeviceFacade.h"

#include "common/Dictionary.h"

namespace serialDevice
{

SerialDeviceFacade::SerialDeviceFacade(SharedValueTable& valueTable, SerialWatcher::PortLister portLister)
    : values(valueTable)
    , serialPort("", 9600, serial::Timeout(), serial::eightbits, serial::parity_none, serial::stopbits_one,
                 serial::flowcontrol_none)
    , serialWatcher(std::move(portLister))
{
    serialWatcher.addChangeListener(this);
}

SerialDeviceFacade::~SerialDeviceFacade()
{
    serialWatcher.removeChangeListener(this);
}

void SerialDeviceFacade::serialDeviceChanged()
{
    JUCE_ASSERT_MESSAGE_THREAD
    values[Dictionary::taveloSerialStatus] = !serialWatcher.getPort().port.empty();
}

} // namespace serialDevice
