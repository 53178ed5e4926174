// The whole load of the plug-in (LoadLibraryA of vask\quilm.dll, which reads the
// configuration and scans the playlist) against bare code over the same entries:
//  - playlist lines and a folder: one search per file line, and one walk over the folder;
//  - a library of 10,000 MP3s in 1,000 folders three levels deep, by one "**" line:
//    a bare recursive FindFirstFileW walk of the tree;
//  - an .m3u8 of the same 10,000 entries: bare code that reads the list and tests each
//    entry once;
// and the plug-in's memory per playlist entry for the library.
//
//   bench_load [LINES] [FOLDER_ENTRIES]      (run in an empty scratch folder)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "BenchTree.h"

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

constexpr int Runs = 5;

// Loads a fresh copy of the plug-in (a loaded one stays loaded) with the configuration
// text; the median time until the whole library is in the playlist (the load, and the
// scan beside it), and the private memory the last load kept.
struct TLoadTiming {
    double Microseconds = 0;
    double PrivateBytes = 0;
};

// Committed private memory of the process (Wine answers 0 to the usual queries).
double PrivateBytes() {
    double total = 0;
    MEMORY_BASIC_INFORMATION info;
    for (const char* at = nullptr; VirtualQuery(at, &info, sizeof info) == sizeof info;
         at = static_cast<const char*>(info.BaseAddress) + info.RegionSize) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += static_cast<double>(info.RegionSize);
        if (static_cast<const char*>(info.BaseAddress) + info.RegionSize < at) break;
    }
    return total;
}

TLoadTiming TimeLoads(const std::string& dll, const std::string& config, const char* tag) {
    WriteText("vask\\quilm.ini", config);
    const auto copyName = [tag](int run) { return std::string("vask\\quilm-") + tag + std::to_string(run) + ".dll"; };
    for (int run = 0; run < Runs; ++run) CopyFileA(dll.c_str(), copyName(run).c_str(), FALSE);
    TLoadTiming timing;
    int run = 0;
    timing.Microseconds = MedianMicroseconds(Runs, [&] {
        const double before = PrivateBytes();
        const std::vector<DWORD> threads = ProcessThreads();
        HMODULE plugin = LoadLibraryA(copyName(run++).c_str());
        if (plugin == nullptr) std::exit(2);
        // The library forms are read beside the game: until the whole library is in.
        WaitForNewThreads(threads);
        timing.PrivateBytes = PrivateBytes() - before;
        FreeLibrary(plugin);
    });
    return timing;
}

void LibraryRows(const std::string& dll) {
    // 10 x 10 x 10 folders, 10 tracks in each of the deepest.
    std::string list = "#EXTM3U\n";
    CreateDirectoryA("vask\\lib", nullptr);
    for (int a = 0; a < 10; ++a) {
        const std::string la = "vask\\lib\\a" + std::to_string(a);
        CreateDirectoryA(la.c_str(), nullptr);
        for (int b = 0; b < 10; ++b) {
            const std::string lb = la + "\\b" + std::to_string(b);
            CreateDirectoryA(lb.c_str(), nullptr);
            for (int c = 0; c < 10; ++c) {
                const std::string lc = lb + "\\c" + std::to_string(c);
                CreateDirectoryA(lc.c_str(), nullptr);
                for (int t = 0; t < 10; ++t) {
                    const std::string track = lc + "\\t" + std::to_string(t) + ".mp3";
                    WriteText(track, "x");
                    list += track.substr(5) + "\n"; // relative to vask\, where the list is
                }
            }
        }
    }
    WriteText("vask\\all.m3u8", list);
    constexpr int Entries = 10000;

    const TLoadTiming tree = TimeLoads(dll, "[playlist]\r\nvask\\lib\\**\r\n", "tree");
    const double bareTree = MedianMicroseconds(Runs, [] {
        int files = 0;
        WalkTree(L"vask\\lib", files);
        if (files != Entries) std::fprintf(stderr, "walk found %d files\n", files);
    });
    std::printf("| library of %d tracks in 1,000 folders by one ** line, all in the playlist | %.1f ms | bare recursive "
                "FindFirstFileW walk %.1f ms | %.2f |\n",
                Entries, tree.Microseconds / 1000, bareTree / 1000, tree.Microseconds / bareTree);

    const TLoadTiming m3u = TimeLoads(dll, "[playlist]\r\nvask\\all.m3u8\r\n", "list");
    const double bareList = MedianMicroseconds(Runs, [] {
        HANDLE file = CreateFileA("vask\\all.m3u8", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        std::string bytes(GetFileSize(file, nullptr), '\0');
        DWORD got = 0;
        ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
        CloseHandle(file);
        std::size_t start = 0;
        for (std::size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
            if (bytes[start] == '#') continue;
            const std::string entry = "vask\\" + bytes.substr(start, end - start);
            WIN32_FIND_DATAA found;
            HANDLE one = FindFirstFileA(entry.c_str(), &found);
            if (one != INVALID_HANDLE_VALUE) FindClose(one);
        }
    });
    std::printf("| .m3u8 of %d entries, all in the playlist | %.1f ms | bare read and one search per entry %.1f ms | %.2f |\n",
                Entries, m3u.Microseconds / 1000, bareList / 1000, m3u.Microseconds / bareList);
    std::printf("| memory per playlist entry (library of %d) | %.0f bytes | | |\n", Entries,
                tree.PrivateBytes / Entries);
    // 100,000 entries: a list naming the 10,000-entry list ten times (read once).
    std::string tenTimes;
    for (int i = 0; i < 10; ++i) tenTimes += "all.m3u8\n";
    WriteText("vask\\ten.m3u8", tenTimes);
    const TLoadTiming hundred = TimeLoads(dll, "[playlist]\r\nvask\\ten.m3u8\r\n", "hundred");
    std::printf("| memory per playlist entry (100,000 entries by lists) | %.0f bytes | | |\n",
                hundred.PrivateBytes / (10 * Entries));
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
    LibraryRows(dll);
    return 0;
}
