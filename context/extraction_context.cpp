#include "context/extraction_context.h"

// The storage itself, under its own name also where ctx names the register.
// The stub's entry points set the register from the symbol in assembly,
// out of the compiler's sight: it keeps the symbol as it is.
#undef ctx
#ifdef TARVEX_CONTEXT_REGISTER
__attribute__((used, externally_visible))
#endif
ExtractionContext ctx;
