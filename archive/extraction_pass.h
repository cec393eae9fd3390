// The extraction pass: a guarded, strictly sequential walk from the first
// local header to the end record.
#pragma once

// 0 the walk reached its end, 1 Cancel at an overwrite question, 2 an error
// or an abort.
int ExtractionPass();
