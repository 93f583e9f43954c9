#include "common/ValueListenerBinder.h"

ValueListenerBinder::ValueListenerBinder(juce::Value& valueToBind, juce::Value::Listener* listenerToBind)
    : value(valueToBind)
    , listener(listenerToBind)
{
    listener->valueChanged(value);
    value.addListener(listener);
}

ValueListenerBinder::~ValueListenerBinder()
{
    value.removeListener(listener);
}
