// What one playlist line stands for: a file, a folder's MP3s, a folder tree ("\**"),
// or the entries of a playlist file (.m3u, .m3u8). Paths are UTF-16 throughout.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

// Where a scan's entries go. A scan reads back what it added: a list met again adds its
// part again.
class TEntrySink {
public:
    virtual std::size_t Count() const = 0;
    virtual void Add(std::wstring path) = 0;
    virtual std::wstring At(std::size_t index) const = 0;
    // True when the scan is to end early: it adds nothing more.
    virtual bool Stopping() const noexcept { return false; }

protected:
    ~TEntrySink() = default;
};

class TLibraryScan {
public:
    // Appends to sink.
    explicit TLibraryScan(TEntrySink& sink) : FSink(sink) {}
    // Appends to entries; onEntry, when given, runs after each entry it appends.
    explicit TLibraryScan(std::vector<std::wstring>& entries, std::function<void()> onEntry = {})
        : FVector(entries, std::move(onEntry)), FSink(FVector) {}
    TLibraryScan(const TLibraryScan&) = delete;
    TLibraryScan& operator=(const TLibraryScan&) = delete;

    // Appends what the trimmed, non-empty line stands for; nothing for a line that
    // names nothing. Raises nothing for what it finds (or does not) on the disk.
    void AddLine(const std::wstring& line);

    // Appends folder + "\" + name for every entry a search for folder + "\*.mp3"
    // returns, in the platform's order.
    void AddFolder(const std::wstring& folder);

    // True when the line names an existing file, folder, "**" folder or playlist file.
    static bool NamesSomething(const std::wstring& line);

    // True once the sink holds MaxPlaylistEntries (or is stopping): the scan appends
    // nothing more.
    bool Full() const;

private:
    class TVectorSink final : public TEntrySink {
    public:
        TVectorSink(std::vector<std::wstring>& entries, std::function<void()> onEntry)
            : FEntries(&entries), FOnEntry(std::move(onEntry)) {}
        TVectorSink() = default;
        std::size_t Count() const override { return FEntries->size(); }
        void Add(std::wstring path) override {
            FEntries->push_back(std::move(path));
            if (FOnEntry) FOnEntry();
        }
        std::wstring At(std::size_t index) const override { return (*FEntries)[index]; }

    private:
        std::vector<std::wstring>* FEntries = nullptr;
        std::function<void()> FOnEntry;
    };

    // A file a line names: a playlist file's entries, or the file.
    void AddFile(const std::wstring& file);
    void AddTree(const std::wstring& root);
    void AddList(const std::wstring& list);
    void Emit(std::wstring path);

    TVectorSink FVector;
    TEntrySink& FSink;
    // The playlist files being expanded, outermost first, by their full UTF-16 names in
    // upper case.
    std::vector<std::wstring> FOpenLists;
    // For each list read so far, the part of the entries that is its expansion: a list
    // met again adds that part again.
    std::map<std::wstring, std::pair<std::size_t, std::size_t>> FListExpansions;
};

// A test build's hook, run before each folder or list the scan reads (a slow disk);
// none in the plug-in.
extern void (*LibraryScanStep)();

// How a tree's folders are listed: the system's call, which a test may replace with one
// that fails as some file systems' does (a remote desktop's drives, some network
// storage), to see the search take over.
extern BOOL(WINAPI* FolderListingCall)(HANDLE folder, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID buffer, DWORD size);

// Lists nest this deep at most; a deeper one adds nothing.
inline constexpr std::size_t MaxListDepth = 8;
// A playlist file larger than this is no playlist: it adds nothing.
inline constexpr unsigned long MaxListBytes = 32ul * 1024 * 1024;
// The playlist holds this many entries at most; what comes after is not added.
inline constexpr std::size_t MaxPlaylistEntries = 200000;
