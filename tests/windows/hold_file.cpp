// Test helper for the Windows build's end-to-end suite: holds a file open the way another
// program would, until its standard input ends, so that a case can meet Windows' sharing
// rules.   hold_file.exe NAME exclusive|writing|deleting
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

struct HoldMode {
    const char* name;
    DWORD access;
    DWORD share;
};

// exclusive: a program that lets nobody else in; writing: a database engine at work, which
// lets others read and write; deleting: a program about to delete or rename the file,
// which lets others do anything.
constexpr HoldMode holdModes[] = {
    {"exclusive", GENERIC_READ, 0},
    {"writing", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE},
    {"deleting", GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE},
};

const HoldMode* findMode(const char* name) {
    for (const HoldMode& mode : holdModes) {
        if (std::strcmp(mode.name, name) == 0) {
            return &mode;
        }
    }
    return nullptr;
}

void waitForEndOfInput() {
    char buffer[64];
    DWORD got = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &got, nullptr) &&
           got > 0) {
    }
}

}  // namespace

int main(int argc, char** argv) {
    const HoldMode* mode = argc == 3 ? findMode(argv[2]) : nullptr;
    if (mode == nullptr) {
        std::fputs("usage: hold_file NAME exclusive|writing|deleting\n", stderr);
        return 2;
    }
    HANDLE file = CreateFileA(argv[1], mode->access, mode->share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "hold_file: cannot open %s: error %lu\n", argv[1], GetLastError());
        return 1;
    }
    std::puts("held");
    std::fflush(stdout);
    waitForEndOfInput();
    CloseHandle(file);
    return 0;
}
