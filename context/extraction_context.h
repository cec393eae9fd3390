// The ExtractionContext: the one process-wide state of the extractor. One
// instance, `ctx`, zero at process start. Each field has one owning
// subsystem, named in the group comment; the others only read it (or, where
// the comment says so, write it at the named point).
#pragma once
#include <setjmp.h>
#include <stddef.h>
#include <stdint.h>

#include "platform/win32.h"

enum ContextSizes {
    kPathBufferSize = 261,           // MAX_PATH + 1 for the fixed path fields
    kMaxPathLength = 259,            // longest path the platform accepts (260 with NUL)
    kTitleTextSize = 65,
    kAfterUnzipSize = 257,
    kInfoTextSize = 512,
    kMessageBufferSize = 1024,       // wsprintfA never writes more, so no message can overrun it
    kPromptSize = 514,
    kWindowSize = 32768,             // the inflate window proper
    kWindowAllocation = 32776,
    kIoBufferSize = 2048,            // input and output pieces
    kIoBufferAllocation = 2068,
    kMaxNameLength = 200,            // longest member name accepted
    kEntryPathSize = 600,            // destination (260) + separator + name (200), with room to spare
    kMaxFolderPathLength = 247,      // longest classic path CreateDirectory takes (MAX_PATH - 12, NUL counted)
    kLongPathLimit = 32767,          // longest path Windows takes in the \\?\ form
    kLongPrefixRoom = 8,             // room for \\?\UNC\ before the full path
    kOutputPathSize = kLongPrefixRoom + kLongPathLimit + 1,
    kMessagePathSize = kMessageBufferSize,
    kSignatureSize = 5,
    kStringOffsetCount = 53,         // strings 0..51, then the main dialog template
    kLocalExtraCapacity = 1024,      // kept bytes of a local extra field: names and times fit
    // A decoded name: never more UTF-16 units than its UTF-8 bytes, and a
    // Unicode Path field's name lies inside the kept extra field.
    kMemberNameSize = kLocalExtraCapacity,
    kPlainPathSize = kPathBufferSize + kMemberNameSize,   // destination, separator, name and NUL
};

// The 26 bytes behind a local-header signature, decoded.
struct LocalHeader {
    uint16_t versionNeeded;
    uint16_t flags;            // bit 0 encrypted, bit 3 data descriptor follows
    uint16_t method;           // 0 stored, 8 deflated
    uint16_t time;             // MS-DOS time; high byte is the check byte with bit 3
    uint16_t date;             // MS-DOS date
    uint32_t crc32;            // high byte is the check byte without bit 3
    uint32_t compressedSize;
    uint32_t uncompressedSize;
    uint16_t nameLength;
    uint16_t extraLength;
};

struct HuffmanEntry;

// The return point of the innermost running guarded call (see base/error_exit.h).
// The stub uses the compiler's own non-local jump (no C runtime); the host
// build uses the C library's, which the sanitizers understand.
struct GuardRecord {
#ifdef TARVEX_REAL_WIN32
    void *point[5];
#else
    jmp_buf point;
#endif
    int armed;
};

struct ExtractionContext {
    // --- start-up (app): set once in the main sequence ---
    HINSTANCE instance;
    HFONT codePageFont;
    HCURSOR waitCursor;
    HCURSOR arrowCursor;
    int windows4OrLater;
    HMODULE shellLibrary;
    FARPROC browseForFolder;         // SHBrowseForFolder, may be null
    FARPROC getMalloc;               // SHGetMalloc, may be null
    FARPROC getPathFromIdList;       // SHGetPathFromIDList, may be null
    // The TextBlock's texts, wide (sizes in characters).
    WCHAR *titleText;                // 65 (TextBlock reader fills it)
    WCHAR *afterUnzipCommand;        // 257
    WCHAR *afterUnzipArguments;      // 257
    WCHAR *infoText;                 // 512 (TextBlock reader fills it)
    char *messageBuffer;             // kMessageBufferSize bytes of scratch for formatted messages
    WCHAR *startupPrompt;            // 514-character block, null when absent
    int overwriteWithoutPrompting;
    int autoMode;
    HFILE logFile;                   // -log FILE, 0 = none (base/run_log.h)

    // --- error exit (app) ---
    GuardRecord guard;
    int exitCode;                    // code carried to the guard by an exit
    int keptExitCode;                // an exit caught in a dialog procedure; start-up ends the program

    // --- image (image): signatures, archive file, resource block ---
    char localSignature[kSignatureSize];
    char centralSignature[kSignatureSize];
    char endSignature[kSignatureSize];
    char singleVolumeMarker[kSignatureSize];
    char spanningSignature[kSignatureSize];
    HFILE archiveFile;               // 0 = none
    uint8_t *resourceBlock;          // expanded strings and main dialog template
    uint8_t *passwordTemplate;       // the password template while it is expanded and shown
    int spanned;                     // copy of the Spanned flag
    int exeVolumes;                  // copy of the ExeVolumes flag

    // --- CRC-32 (base/crc32) ---
    uint32_t crcRegister;

    // --- archive walk and entry output (archive) ---
    LocalHeader localHeader;
    uint32_t localExtraLength;
    int currentEntryEncrypted;       // start-up sets it from the Encrypted flag
    int descriptorFollows;
    int extractionRunning;
    int unicodeName;                 // the name came as UTF-8: it may hold what the ANSI code page cannot
    WCHAR *memberPath;               // the path the member's calls take (archive/member_files.h)
    int longPrefix;                  // memberPath's \\?\ (4) or \\?\UNC\ (8) in front of a full path, else 0
    HFILE outputFile;                // 0 = none
    uint8_t *outputBuffer;           // 2068 bytes, 2048 used
    uint8_t *outputPointer;
    uint32_t pending;
    int memoryMode;
    uint32_t bytesWritten;
    uint32_t lastMeterMark;
    uint32_t filesExtracted;
    uint16_t currentDisk;            // spanned archives: the disk in the drive
    // Start-up's (app) switches and the error exit's status, in what would
    // be padding, within the short displacements (see ctx below).
    uint8_t answerYes;               // -y: overwrite questions are answered Yes before they are asked
    uint8_t silent;                  // -silent: no window and no box; questions take their safe answer

    // --- inflate (codec) ---
    uint8_t *inflateWindow;          // 32776 bytes, 32768 used; the last 8 absorb word-wide copies
    uint16_t windowPos;
    uint8_t exitStatus;              // error exit (app): the process's exit code so far (base/exit_codes.h)
    uint64_t bitBuffer;              // unconsumed input bits, next bit in bit 0; zero above bitCount
    uint16_t bitCount;
    uint16_t fillerBits;             // zero bits fed in at the top since the input ran out
    uint16_t fetchedByte;
    uint8_t *memoryEnd;              // memory mode: one past the destination
    HuffmanEntry *blockTables[2];    // the current block's tables; an exit leaves them to the next decode

    // --- input buffering and decryption (codec) ---
    uint8_t *inputBuffer;            // 2068 bytes, 2048 used
    const uint8_t *inputCursor;
    int32_t inputCount;
    uint32_t memberBytesLeft;
    uint32_t cipherKeys[3];

    // --- user interface (ui) ---
    HWND mainDialog;                 // owner of every box once it exists
    int unzipRunning;                // an Unzip command is under way, its boxes and dialogs included
    int meterShown;
    UINT_PTR meterTimer;
    char *passwordText;              // null until the user confirmed one
    DWORD lastPumpTick;              // GetTickCount when the pump last emptied the queue
    int statusBehind;                // the status line does not name the member yet (progress/status_line.h)
    DWORD statusTick;                // GetTickCount when the status line last changed

    // --- the buffers, each with its owner: behind every other field, so
    // that the stub reaches those with one-byte displacements (see ctx below) ---
    WCHAR imagePath[kPathBufferSize];           // start-up: the image's path, its file name in long form
    WCHAR destinationFolder[kPathBufferSize];   // start-up
    uint16_t stringOffsets[kStringOffsetCount]; // image: where each string lies in resourceBlock
    uint32_t crcTables[16][256];                // CRC-32: [0] entry i is the CRC of byte i; [k] that followed by k zero bytes
    uint8_t localExtra[kLocalExtraCapacity];    // archive: the current member's extra field, as far as kept
    char entryPath[kEntryPathSize];             // archive: the member name as stored
    WCHAR messagePath[kMessagePathSize];        // archive: the name or path messages show
    WCHAR statusText[kMessageBufferSize];       // archive: "Unzipping <file>" of the member last started
    WCHAR messageText[kMessageBufferSize];      // error exit: the text of the box being shown
    WCHAR memberName[kMemberNameSize];          // archive: the name decoded (archive/name_decoding.h)
    WCHAR plainPath[kPlainPathSize];            // archive: the destination and the decoded name
    WCHAR outputPath[kOutputPathSize];          // archive: the full path, behind room for a long prefix
    WCHAR knownFolders[kOutputPathSize];        // archive: folders found or made this pass, empty at its start
};

extern ExtractionContext ctx;

#ifdef TARVEX_CONTEXT_REGISTER
// In the stub the code reaches the context through a register. On i386 a
// global is otherwise reached through its absolute address: four bytes in
// every instruction that touches a field, and a base relocation in the file
// for each. The register holds the context's address plus the bias (set at
// the entry points below, stub/context_register.h), so that every field
// before the buffers lies within a one-byte displacement.
// The 256 bytes before the buffers are those reachable with one-byte
// displacements.
static_assert(offsetof(ExtractionContext, imagePath) >= 128, "the bias is positive");
enum : uint32_t { kContextRegisterBias = offsetof(ExtractionContext, imagePath) - 128 };
#define ctx (*(ExtractionContext *)(contextRegister - kContextRegisterBias))

// Points the register at the context (the storage symbol of ctx).
#define SET_CONTEXT_REGISTER() \
    __asm__ volatile("movl $_ctx+%c0, %%ebx" : : "i"(kContextRegisterBias) : "memory")

// What Windows calls (window and dialog procedures) comes in with the
// caller's EBX. The procedure is given to Windows as a wrapper that hands it
// to ContextRegisterCall (context/extraction_context.cpp), which sets the
// register, calls it with the same four arguments and puts the caller's EBX
// back: each wrapper is two instructions, all in assembly, where the
// compiler cannot move any part of the procedure ahead of the register.
extern "C" void ContextRegisterCall();
template <auto procedure>
__attribute__((naked, section(".text$procedures"))) auto CALLBACK WithContextRegister(HWND, UINT, WPARAM, LPARAM)
    -> decltype(procedure(0, 0, 0, 0)) {
    __asm__("pushl %0\n\t"
            "jmp _ContextRegisterCall" : : "i"(procedure));
}
#define WINDOWS_PROCEDURE(procedure) WithContextRegister<procedure>
#else
#define WINDOWS_PROCEDURE(procedure) procedure
#endif
