// SPDX-License-Identifier: GPL-2.0-or-later
// Prints, as UTF-8, the text that a running program shows the user, as the
// windows themselves hold it:
//
//   window_text.exe console PROGRAM.EXE   the rows of its console window,
//                                         each without its trailing blanks
//   window_text.exe dialog PROGRAM.EXE    the caption and the texts of the
//                                         controls of its dialog windows
//
// The program is the first process of that name. Status 1 when there is no
// such process, no console to read or no dialog.
#include <windows.h>

#include <tlhelp32.h>

static HANDLE out;
static DWORD pid;
static int dialogs;

static void print(const wchar_t* text, int length) {
    char utf8[4096];
    int size = WideCharToMultiByte(CP_UTF8, 0, text, length, utf8, sizeof utf8 - 1, NULL, NULL);
    utf8[size++] = '\n';
    DWORD written;
    WriteFile(out, utf8, (DWORD)size, &written, NULL);
}

static BOOL CALLBACK print_text(HWND window, LPARAM) {
    wchar_t text[1024];
    print(text, GetWindowTextW(window, text, 1024));
    return TRUE;
}

static BOOL CALLBACK print_dialog(HWND window, LPARAM) {
    wchar_t class_name[16];
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != pid || !GetClassNameW(window, class_name, 16) ||
        lstrcmpW(class_name, L"#32770") != 0)
        return TRUE;
    ++dialogs;
    print_text(window, 0);
    EnumChildWindows(window, print_text, 0);
    return TRUE;
}

static int print_console(void) {
    FreeConsole();
    if (!AttachConsole(pid)) return 1;
    const HANDLE console =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    NULL, OPEN_EXISTING, 0, NULL);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (console == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(console, &info)) return 1;
    wchar_t row[1024];
    const SHORT width = info.dwSize.X < 1024 ? info.dwSize.X : 1024;
    for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
        DWORD length = 0;
        ReadConsoleOutputCharacterW(console, row, width, (COORD){0, y}, &length);
        while (length > 0 && row[length - 1] == L' ')
            --length;
        print(row, (int)length);
    }
    return 0;
}

int wmain(int argc, wchar_t** argv) {
    out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (argc != 3) return 2;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {.dwSize = sizeof entry};
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !pid;
         more = Process32NextW(snapshot, &entry)) {
        if (lstrcmpiW(entry.szExeFile, argv[2]) == 0) pid = entry.th32ProcessID;
    }
    CloseHandle(snapshot);
    if (!pid) return 1;
    if (lstrcmpW(argv[1], L"console") == 0) return print_console();
    EnumWindows(print_dialog, 0);
    return dialogs > 0 ? 0 : 1;
}
