// A folder that includes one above it.
#pragma once
#include "ui/dialog.h"
