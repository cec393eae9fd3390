// Includes the folder that includes it.
#pragma once
#include "app/sequence.h"
