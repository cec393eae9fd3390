// The host build has no window classes: registering the meter is a no-op
// there. The stub registers the real class (progress/meter.cpp).
#include "progress/meter.h"

void RegisterMeterClass(HINSTANCE instance) {
    (void)instance;
}
