#include "tests/support/test_support.h"

#include <stdlib.h>
#include <string.h>

#include <fstream>
#include <sstream>

#include "base/crc32.h"
#include "codec/inflate.h"
#include "image/resources.h"

namespace testsupport {

std::string MakeTempFolder(const std::string &tag) {
    std::string pattern = "/tmp/tarvex-" + tag + "-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back(0);
    if (!mkdtemp(buffer.data()))
        return "";
    return buffer.data();
}

void RemoveTree(const std::string &path) {
    if (path.rfind("/tmp/tarvex-", 0) == 0)
        Run("rm -rf '" + path + "'");
}

std::string FreshMachine(const std::string &tag) {
    memset((void *)&ctx, 0, sizeof ctx);
    std::string root = MakeTempFolder(tag);
    hostsim::Reset(root);
    ctx.messageBuffer = (char *)calloc(kMessageBufferSize, 1);
    ctx.titleText = (WCHAR *)calloc(kTitleTextSize, sizeof(WCHAR));
    ctx.infoText = (WCHAR *)calloc(kInfoTextSize, sizeof(WCHAR));
    ctx.afterUnzipCommand = (WCHAR *)calloc(kAfterUnzipSize, sizeof(WCHAR));
    ctx.afterUnzipArguments = (WCHAR *)calloc(kAfterUnzipSize, sizeof(WCHAR));
    ctx.inflateWindow = (uint8_t *)calloc(kWindowAllocation, 1);
    ctx.inputBuffer = (uint8_t *)calloc(kIoBufferAllocation, 1);
    ctx.outputBuffer = (uint8_t *)calloc(kIoBufferAllocation, 1);
    CrcBuildTable();
    ExpandResourceBlock();
    return root;
}

void SetDestination(const std::string &utf8) {
    if (!MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, ctx.destinationFolder, kPathBufferSize))
        ctx.destinationFolder[0] = 0;
}

void SetImagePath(const std::string &utf8) {
    hostsim::Sim().modulePath = utf8;
    if (!MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, ctx.imagePath, kPathBufferSize))
        ctx.imagePath[0] = 0;
}

std::u16string Wide(const std::string &utf8) {
    std::u16string wide(utf8.size() + 1, u'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], (int)wide.size()) - 1);
    return wide;
}

std::string Utf8(const WCHAR *text) {
    if (!text)
        return "";
    std::string out(4 * lstrlenW(text) + 1, '\0');
    out.resize(WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], (int)out.size(), 0, 0) - 1);
    return out;
}

void ReleaseMachine(const std::string &root) {
    // A decode that an exit abandoned leaves its tables for the next one.
    ReleaseDecodeTables();
    free(ctx.messageBuffer);
    free(ctx.titleText);
    free(ctx.infoText);
    free(ctx.afterUnzipCommand);
    free(ctx.afterUnzipArguments);
    free(ctx.inflateWindow);
    free(ctx.inputBuffer);
    free(ctx.outputBuffer);
    if (ctx.resourceBlock)
        GlobalFree(GlobalHandle(ctx.resourceBlock));
    if (ctx.passwordText)
        GlobalFree(GlobalHandle(ctx.passwordText));
    if (ctx.archiveFile > 0)
        _lclose(ctx.archiveFile);
    if (ctx.outputFile > 0)
        _lclose(ctx.outputFile);
    memset((void *)&ctx, 0, sizeof ctx);
    RemoveTree(root);
}

int Run(const std::string &command) {
    int status = system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadFile(const std::string &path) {
    return hostsim::ReadHostFile(path);
}

void WriteFile(const std::string &path, const std::string &bytes) {
    hostsim::WriteHostFile(path, bytes);
}

}  // namespace testsupport
