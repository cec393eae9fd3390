// The member name as text: UTF-8 when the local header's flag bit 11 says
// so, else the UTF-8 of a Unicode Path extra field (0x7075) that stands for
// the stored name, else single-byte text in the ANSI code page.
#pragma once

// Decodes the stored name (entryPath, nameLength bytes) into memberName as
// UTF-16 and answers its length; sets unicodeName for a UTF-8 name, and
// shows the decoded name in messagePath (a name that is no UTF-8 as stored),
// control characters escaped as \xNN. Ends the pass with the unsafe-name
// message for a UTF-8 name that is not well-formed and for any name that
// MemberNameIsSafe refuses.
int DecodeMemberName();
