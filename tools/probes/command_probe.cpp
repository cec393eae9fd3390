// command_probe: writes the command line it was started with (as
// GetCommandLineA answers it) into a file beside itself, named like the
// program with ".txt" appended, then exits with 0. A stand-in for programs
// that another program starts, so a test can see what they were given.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char record[MAX_PATH + 8];
    DWORD length = GetModuleFileNameA(nullptr, record, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 1;
    lstrcatA(record, ".txt");
    HANDLE file = CreateFileA(record, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    const char *line = GetCommandLineA();
    DWORD written = 0;
    BOOL ok = WriteFile(file, line, (DWORD)lstrlenA(line), &written, nullptr) && WriteFile(file, "\n", 1, &written, nullptr);
    CloseHandle(file);
    return ok ? 0 : 1;
}
