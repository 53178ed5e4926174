// The whole load of the plug-in (LoadLibraryA of vask\quilm.dll, which reads the
// configuration and scans the playlist) against a bare directory walk over the same
// entries: one search per file line, and one walk over the folder.
//
//   bench_load [LINES] [FOLDER_ENTRIES]      (run in an empty scratch folder)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchTiming.h"

namespace {

void WriteText(const std::string& path, const std::string& text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

std::string EntryName(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "track%04d.mp3", i);
    return name;
}

} // namespace

int main(int argc, char** argv) {
    const int lines = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int entries = argc > 2 ? std::atoi(argv[2]) : 2000;

    CreateDirectoryA("vask", nullptr);
    CreateDirectoryA("vask\\music", nullptr);
    for (int i = 0; i < entries; ++i) WriteText("vask\\music\\" + EntryName(i), "x");
    std::string config = "[keys]\r\nkey_on=116\r\n[playlist]\r\nvask\\music\r\n";
    for (int i = 0; i < lines; ++i) config += "vask\\music\\" + EntryName(i % entries) + "\r\n";
    WriteText("vask\\quilm.ini", config);
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string dll = self;
    dll = dll.substr(0, dll.find_last_of('\\')) + "\\quilm.dll";
    // A loaded plug-in stays loaded until the process ends, so each timed load is of a
    // copy of its own (copied before the timing), which attaches anew.
    constexpr int Runs = 5;
    const auto copyName = [](int run) {
        char name[32];
        std::snprintf(name, sizeof name, "vask\\quilm-%d.dll", run);
        return std::string(name);
    };
    for (int run = 0; run < Runs; ++run) CopyFileA(dll.c_str(), copyName(run).c_str(), FALSE);

    int run = 0;
    const double load = MedianMicroseconds(Runs, [&] {
        HMODULE plugin = LoadLibraryA(copyName(run++).c_str());
        if (plugin == nullptr) std::exit(2);
        FreeLibrary(plugin);
    });
    const double bare = MedianMicroseconds(5, [&] {
        WIN32_FIND_DATAA found;
        HANDLE walk = FindFirstFileA("vask\\music\\*.mp3", &found);
        if (walk != INVALID_HANDLE_VALUE) {
            while (FindNextFileA(walk, &found)) {
            }
            FindClose(walk);
        }
        for (int i = 0; i < lines; ++i) {
            HANDLE one = FindFirstFileA(("vask\\music\\" + EntryName(i % entries)).c_str(), &found);
            if (one != INVALID_HANDLE_VALUE) FindClose(one);
        }
    });
    std::printf("| load: %d playlist lines + folder of %d | %.1f ms | bare search walk %.1f ms | %.2f |\n", lines,
                entries, load / 1000, bare / 1000, load / bare);
    return 0;
}
