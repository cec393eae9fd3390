#include "builder/info/stub_run.h"

#include <string.h>

#include <filesystem>

#include "base/error_exit.h"
#include "app/main_sequence.h"
#include "archive/extraction_pass.h"
#include "archive/spanned.h"
#include "archive/zip_format.h"
#include "builder/common/file_io.h"
#include "builder/common/system.h"
#include "builder/output/volume_names.h"
#include "context/extraction_context.h"
#include "image/config_record.h"
#include "image/resources.h"
#include "platform/host/host_control.h"

namespace fs = std::filesystem;

namespace {

// Drives of the simulated machine.
const char kImageDrive = 'I';           // the image's own folder
const char kDiskDrive = 'A';            // a spanned set's disks
const char kDestinationDrive = 'D';     // the scratch destination
const char kDestination[] = "D:\\";
enum { kMostDisks = 999 };

struct RunState {
    StubRun *run;
    std::string imageFolder;            // a spanned set's folder (holding disk1/ ...)
    std::string imageName;
    bool spanned = false;
    const std::string *password;
};

RunState state;

bool IsSkippedForPassword() {
    return hostsim::Sim().transcript.size() > 0 && ctx.currentEntryEncrypted && !ctx.passwordText &&
           hostsim::Sim().transcript.back().text == LookupString(kStrNoPassword);
}

// Puts disk `disk` of the set into drive A:, as a user would; false when
// the set has no such disk.
bool InsertDisk(unsigned disk) {
    std::string folder = DiskFolder(state.imageFolder, disk);
    if (!IsFolder(folder))
        return false;
    hostsim::Sim().driveFolders[kDiskDrive] = folder;
    hostsim::Sim().volumeLabels[kDiskDrive] = VolumeLabel(disk);
    return true;
}

unsigned LastDisk() {
    unsigned disk = 1;
    while (disk < kMostDisks && IsFolder(DiskFolder(state.imageFolder, disk + 1)))
        disk++;
    return disk;
}

// Answers the stub's questions: the start-up prompt is accepted, a prompt
// for another disk is answered by inserting it, anything else is declined.
int AnswerBox(const hostsim::BoxRecord &box) {
    char text[kMessageBufferSize + 64];
    if (state.spanned) {
        wsprintfA(text, LookupString(kStrInsertLastDisk), "A:");
        if (box.text == text)
            return InsertDisk(LastDisk()) ? IDOK : IDCANCEL;
        for (unsigned disk = 1; disk <= kMostDisks; disk++) {
            wsprintfA(text, LookupString(kStrInsertDisk), (int)disk, "A:");
            if (box.text == text)
                return InsertDisk(disk) ? IDOK : IDCANCEL;
        }
    }
    // The boxes record their texts as UTF-8.
    char prompt[3 * kPromptSize];
    if (ctx.startupPrompt && WideCharToMultiByte(CP_UTF8, 0, ctx.startupPrompt, -1, prompt, sizeof prompt, 0, 0) &&
        box.text == prompt)
        return (box.style & 0xF) == MB_YESNO ? IDYES : IDOK;
    return IDCANCEL;
}

void Trace(WalkTraceEvent event) {
    std::vector<WalkedMember> &members = state.run->members;
    if (event == kTraceMemberDone) {
        if (!members.empty())
            members.back().outcome = kWalkIntact;
        return;
    }
    const LocalHeader &h = ctx.localHeader;
    WalkedMember member;
    member.name.assign(ctx.entryPath, h.nameLength);
    member.flags = h.flags;
    member.method = h.method;
    member.crc = h.crc32;
    member.compressedSize = h.compressedSize;
    member.uncompressedSize = h.uncompressedSize;
    member.date = h.date;
    member.time = h.time;
    member.extra.assign(ctx.localExtra, ctx.localExtra + ctx.localExtraLength);
    member.disk = ctx.spanned ? ctx.currentDisk : 1;
    members.push_back(member);
}

// After an encrypted member that no password opens: steps over its data and
// descriptor as the walk does when the user answers No to replacing its
// file, and goes on with the walk.
void SkipMemberAndWalk() {
    SkipArchiveBytes(ctx.localHeader.compressedSize);
    if (ctx.descriptorFollows)
        SkipArchiveBytes(kDescriptorSize);
    WalkArchive();
}

// What the user does in the main dialog: a destination, the password, and
// Unzip.
void RunPass() {
    StubRun &run = *state.run;
    run.started = true;
    MultiByteToWideChar(CP_UTF8, 0, kDestination, -1, ctx.destinationFolder, kPathBufferSize);
    ctx.overwriteWithoutPrompting = 1;
    if (!state.password->empty()) {
        ctx.passwordText = (char *)GlobalAlloc(GPTR, state.password->size() + 1);
        lstrcpyA(ctx.passwordText, state.password->c_str());
    }
    int code = ExtractionPass();
    while (code == kGuardFailed && IsSkippedForPassword() && !run.members.empty()) {
        run.members.back().outcome = kWalkSkipped;
        code = GuardedCall(SkipMemberAndWalk);
    }
    run.reachedEnd = code == kGuardDone;
    if (!run.reachedEnd)
        run.passStop = hostsim::Sim().transcript.empty() ? "" : hostsim::Sim().transcript.back().text;
    if (ctx.passwordText) {
        GlobalFree(GlobalHandle(ctx.passwordText));
        ctx.passwordText = nullptr;
    }
}

}  // namespace

bool RunStub(const std::string &imagePath, const std::vector<uint8_t> &image, size_t recordOffset,
             const std::string &password, StubRun &run, Failure &failure) {
    std::error_code error;
    std::string scratch = UniqueName(Utf8Path(fs::temp_directory_path(error)), "mksfx-info-");
    if (error || !fs::create_directories(FsPath(scratch + "/out"), error)) {
        return Fail(failure, "", "cannot make a scratch folder to run the stub in: " + error.message());
    }
    memcpy(&configRecord, image.data() + recordOffset, sizeof configRecord);
    memset(&ctx, 0, sizeof ctx);
    hostsim::Reset(scratch + "/machine");
    hostsim::State &sim = hostsim::Sim();

    std::string absolute = Utf8Path(fs::absolute(FsPath(imagePath), error));
    state = RunState();
    state.run = &run;
    state.password = &password;
    state.imageName = FileNameOfPath(absolute);
    state.spanned = (configRecord.Flags & kFlagSpanned) != 0;
    char drive = kImageDrive;
    if (state.spanned) {
        // The image stands in disk1/ of its set; the stub runs from drive A:.
        state.imageFolder = FolderOfPath(FolderOfPath(absolute));
        drive = kDiskDrive;
        InsertDisk(1);
        sim.driveTypes[kDiskDrive] = DRIVE_REMOVABLE;
    } else {
        sim.driveFolders[kImageDrive] = FolderOfPath(absolute);
    }
    sim.driveFolders[kDestinationDrive] = scratch + "/out";
    sim.modulePath = std::string(1, drive) + ":\\" + state.imageName;
    sim.commandLine = state.imageName;
    sim.boxHandler = AnswerBox;
    sim.dialogHook = RunPass;
    sim.walkTrace = Trace;
    // The stub checks each member's size and CRC as it decodes: the bytes
    // need not be kept, and an image of gigabytes must not fill the scratch.
    sim.discardWrites = true;

    WCHAR arguments[] = {0};
    MainSequence((HINSTANCE)0, arguments);
    // Start-up that ends early leaves the image open.
    ReleaseExtraction();
    if (!run.started) {
        for (const hostsim::BoxRecord &box : sim.transcript)
            if (box.style & MB_ICONERROR)
                run.startupStop = box.text;
        if (run.startupStop.empty() && !sim.transcript.empty())
            run.startupStop = sim.transcript.back().text;
    }
    sim.walkTrace = nullptr;
    sim.boxHandler = nullptr;
    fs::remove_all(FsPath(scratch), error);
    return true;
}
