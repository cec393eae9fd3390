// A stand-in stub for the builder's tests: a real PE32 GUI program that
// carries the ConfigRecord in its data, and nothing else.
#include <windows.h>

#include "image/config_record.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return configRecord.Complete != 0;
}
