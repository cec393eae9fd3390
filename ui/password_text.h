// passwordText: the last password confirmed with OK, kept for the whole run.
#pragma once

// Longest text read from the password edit, with its terminator.
enum { kPasswordReadLimit = 255 };

// Replaces passwordText with a fresh zero-filled global copy of text (length
// characters). An empty text changes nothing and answers false; so does a
// failed allocation, which leaves passwordText null (the old text is gone).
int StorePassword(const char *text, int length);
