#include "context/extraction_context.h"

ExtractionContext ctx;
