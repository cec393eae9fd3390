// Test control of the simulated Win32 layer: where Windows paths land on the
// host, what message boxes answer, which calls fail, and what the program
// showed. Host tests and tools only; the logic never includes this.
#pragma once
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/host/win32_host.h"

namespace hostsim {

struct BoxRecord {
    HWND owner;
    std::string caption;
    std::string text;
    UINT style;
};

struct LaunchRecord {
    std::string kind;   // "WinExec", "ShellExecute" or "FindExecutable"
    std::string verb;   // ShellExecute's verb ("" for the default)
    std::string file;   // command line, or the file
    std::string parameters;
    std::string folder;
};

// One SetFileTime call: the file's host path and the three times asked for
// as 64-bit FILETIME values (0 where the call passed none).
struct TimeRecord {
    std::string path;
    uint64_t created;
    uint64_t accessed;
    uint64_t written;
};

// Operations whose k-th call can be made to fail (counted from 1 since Reset).
enum FaultOp { kFaultCreate, kFaultWrite, kFaultShortWrite, kFaultMakeFolder, kFaultSetTime,
               kFaultLocalAlloc, kFaultGlobalAlloc, kFaultOpen, kFaultCount };

struct State {
    std::string root;                              // host folder under which drives live
    std::map<char, std::string> driveFolders;      // drive letter -> host folder (default root/X)
    std::map<char, UINT> driveTypes;               // default DRIVE_FIXED when the folder exists
    std::map<char, std::string> volumeLabels;      // absent = no label (GetVolumeInformationA fails)
    std::string currentDirectory = "C:\\";
    std::string windowsDirectory = "C:\\WINDOWS";
    std::string systemDirectory = "C:\\WINDOWS\\SYSTEM32";
    std::string modulePath = "C:\\SFX.EXE";   // UTF-8
    std::string commandLine = "SFX.EXE";
    std::map<std::string, std::string> environment;
    std::map<std::string, std::string> registry;   // HKEY_CLASSES_ROOT subkey -> default value
    DWORD version = 0x0A280105;                    // NT family, major 5
    UINT codePage = 1252;                          // 932 etc. make CharNextA double-byte aware
    bool shiftDown = false;
    long timeZoneBias = 0;                         // seconds: UTC = local + bias

    // Message boxes: answered from the queue, else by the handler, else IDCANCEL.
    std::vector<int> answers;
    std::function<int(const BoxRecord &)> boxHandler;
    std::function<void(const BoxRecord &)> boxWatcher;   // sees every box as it comes, MB_OK ones too
    std::vector<BoxRecord> transcript;

    // Launching
    int winExecResult = 33;
    intptr_t findExecutableResult = 42;
    intptr_t shellExecuteResult = 42;
    std::vector<LaunchRecord> launches;

    // Dialog side: texts set on controls, meter positions sent.
    std::map<int, std::string> controlTexts;
    std::vector<std::pair<int, std::string>> textsSet;   // every SetDlgItemTextA, in order
    std::vector<int> meterPositions;
    bool dialogHasMeter = false;
    std::vector<std::vector<uint8_t>> dialogTemplates;   // copies of templates run
    intptr_t dialogResult = 0;
    std::vector<HWND> endedDialogs;                      // EndDialog's windows, in order
    // Runs once, for the next dialog, while it would be up (the main dialog:
    // everything start-up prepares is in place): a test's stand-in for what
    // the user does there.
    std::function<void()> dialogHook;
    // Called at each WalkTrace point of the archive walk.
    std::function<void(WalkTraceEvent)> walkTrace;
    std::vector<DWORD> oemConversions;                   // lengths given to OemToCharBuffA

    // Faults: fail the k-th call of an operation (0 = never).
    unsigned failAt[kFaultCount] = {};
    unsigned calls[kFaultCount] = {};
    // Reads of a file return at most this many bytes per call (0 = no limit).
    UINT readLimit = 0;
    // A bad spot: every read that starts at this offset of this host file
    // fails with -1, as a damaged sector would (empty file = none).
    std::string badSpotFile;
    int64_t badSpotOffset = 0;
    // The message pump: calls after writes counted, the abort question
    // confirmed at this call (0 = never); the same for the calls at members' ends.
    unsigned pumpCalls = 0;
    unsigned abortAtPump = 0;
    unsigned memberEndPumps = 0;
    // GetTickCount: each call answers tickCount, then moves it on by
    // tickStep (by default a pump interval, so that every tick test is due).
    DWORD tickCount = 0;
    DWORD tickStep = 10;
    unsigned abortAtMemberEnd = 0;
    // The message queue the pump's rules empty (front first), what left it by
    // dispatch (each translated first), the parent of each window, and the
    // cursor set last.
    std::deque<MSG> messages;
    std::vector<MSG> dispatched;
    unsigned translated = 0;
    std::map<HWND, HWND> parents;
    HCURSOR cursor = nullptr;
    // The loader: what the program asked of it, in order, and whether the
    // calls that narrow the library search exist (older systems lack them).
    std::vector<std::string> loaderLog;
    bool searchCallsPresent = true;
    std::vector<LOGFONTA> fontsCreated;
    // Files the layer opened that were devices or outside the root: counted, refused.
    unsigned refusedPaths = 0;
    // Looks at whether a path exists (FindFirstFileA, GetFileAttributesW).
    unsigned pathLookups = 0;
    // Writes to files succeed without storing their bytes (a walk that
    // checks members as they decode, and needs none of them kept).
    bool discardWrites = false;
    // Every SetFileTime call in order, also those a fault fails.
    std::vector<TimeRecord> timesSet;
};

State &Sim();

// Clears everything and makes root (created if missing) the folder below
// which the drives live; drive C exists.
void Reset(const std::string &root);

// Host path of a Windows path, or "" when it cannot be mapped (a device name,
// a path that leaves the drive's folder).
std::string HostPath(const std::string &windowsPath);

// Convenience for tests.
std::string ReadHostFile(const std::string &hostPath);
void WriteHostFile(const std::string &hostPath, const std::string &bytes);

}  // namespace hostsim
