// Included ahead of every file of the stub (-include; a global register
// variable must be declared before any function is defined). The stub holds
// the address of the ExtractionContext, plus a bias, in EBX for the whole
// run; the compiler, told so with -ffixed-ebx, never uses EBX for anything
// else. See context/extraction_context.h.
#pragma once
register char *contextRegister __asm__("ebx");
