// The configuration a factory-new controller holds: that of a new document
// (O10 = 2, twenty programs, the L2 defaults), except that program 1 is a
// small demonstration (warming up, humidifying, drying, cooling down) so that
// the first read of a new controller shows a real program. The simulated
// controller's factory image (factoryImage()) is this configuration written
// into an erased memory. Pure function; any thread.
#pragma once

#include "model/DeviceData.h"

DeviceData factoryConfiguration();
