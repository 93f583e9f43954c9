#include "app/TaveloFirmwareUpdaterApplication.h"

START_JUCE_APPLICATION(TaveloFirmwareUpdaterApplication)
