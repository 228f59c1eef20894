#include "DataFile.h"
#include "AsciiFold.h"
#include "DataFilePath.h"
#include "PathUtil.h"
#include "RecordIo.h"
#include "TestSupport.h"
#include "UniqueHandle.h"

#include <psapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <thread>

namespace {

// File images built from the layout: little-endian integers, UTF-16LE patterns padded with NUL.
Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes U32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }
Bytes Slice(const Bytes& bytes, size_t from, size_t to) { return Bytes(bytes.begin() + from, bytes.begin() + to); }
const Bytes kHeader = Bytes{'P', 'V', '0', '1'} + Bytes(12, 0);
// Hide the tray icon, no autostart, safe mode, super mode, hotkey 0x141 with modifiers 6, a digest,
// the active window opaque, no wheel, the wheel's keys Alt+Shift, the window under the mouse opaque.
Bytes SettingsRecord(uint8_t global = 33)
{
    const char digest[] = "0123456789abcde";
    return U32(33) + Bytes{global, 1, 0, 1, 1, 0x41, 0x01, 6, 0} + Bytes(digest, digest + 16) + Bytes{1, 0, 2, 1};
}
Bytes Record(std::wstring pattern, uint8_t transparency, uint32_t size = 527)
{
    pattern.resize(261);
    Bytes bytes = U32(size);
    for (wchar_t c : pattern)
        bytes.insert(bytes.end(), {uint8_t(c), uint8_t(c >> 8)});
    return bytes + Bytes{transparency};
}
Bytes Contents(const std::wstring& path)
{
    Bytes bytes;
    EXPECT_TRUE(ReadWholeFile(path, bytes));
    return bytes;
}

class DataFileTest : public testing::Test {
protected:
    // Saves the state in memory and returns what follows the header.
    Bytes State()
    {
        EXPECT_TRUE(SaveDataFile(m_path.c_str(), m_settings, m_list));
        const Bytes saved = Contents(m_path);
        return saved.size() < 16 ? saved : Slice(saved, 16, saved.size());
    }

    TempFolder m_folder;
    const std::wstring m_path = m_folder.File(L"Paneveil.dat");
    Settings m_settings = {33, 33, 1, 0, 1, 1, 0x141, 6, "0123456789abcde", 1, 0, 2, 1};
    FilterList m_list;
};

TEST_F(DataFileTest, SaveWritesTheLayoutReplacesTheFileAndFailsWithoutHarm)
{
    ASSERT_TRUE(m_list.AddFilter(L"C:\\Windows\\notepad.exe", 0) && m_list.AddFilter(L"C:\\Programs\\mail.exe", 75));
    // Renamed shorter: nothing of the old pattern may stay behind in the record.
    ASSERT_TRUE(m_list.ModifyFilter(L"c:\\programs\\MAIL.EXE", L"*Mail?", 75));
    const Bytes two = U32(2) + Record(L"*Mail?", 75) + Record(L"C:\\Windows\\notepad.exe", 0);
    EXPECT_EQ(SettingsRecord() + two, State());

    // A crash in the middle of a rewrite in place would leave half a file; a second link to the
    // old file shows that it was replaced instead.
    const std::wstring link = m_folder.File(L"old.lnk");
    ASSERT_TRUE(CreateHardLinkW(link.c_str(), m_path.c_str(), nullptr));
    m_list.Clear();
    EXPECT_EQ(SettingsRecord() + U32(0), State());
    EXPECT_EQ(kHeader + SettingsRecord() + two, Contents(link));
    EXPECT_TRUE(DeleteFileW(link.c_str()));

    // Saves and loads that fail change neither the file nor the state, and leave no temporary
    // file: the file held open without sharing by another program (a backup tool, a virus
    // scanner), a missing folder, no path.
    const HANDLE holder = CreateFileW(m_path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_TRUE(m_list.AddFilter(L"new", 1) && holder != INVALID_HANDLE_VALUE);
    const std::wstring absent = m_folder.File(L"absent\\Paneveil.dat");
    for (const wchar_t* path : {m_path.c_str(), absent.c_str(), L"", static_cast<const wchar_t*>(nullptr)})
        EXPECT_FALSE(SaveDataFile(path, m_settings, m_list) || LoadDataFile(path, m_settings, m_list));
    CloseHandle(holder);
    EXPECT_EQ(kHeader + SettingsRecord() + U32(0), Contents(m_path));
    EXPECT_EQ(std::vector<std::wstring>{L"Paneveil.dat"}, m_folder.FileNames());
    EXPECT_EQ(SettingsRecord() + U32(1) + Record(L"new", 1), State());

    // A reader that shares the file keeps it from being replaced only while it reads: the save
    // waits that out rather than losing the change.
    const HANDLE reader = CreateFileW(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    std::thread release([reader] { Sleep(200); CloseHandle(reader); });
    EXPECT_TRUE(SaveDataFile(m_path.c_str(), m_settings, m_list));
    release.join();
    EXPECT_EQ(kHeader + SettingsRecord() + U32(1) + Record(L"new", 1), Contents(m_path));
}

// Not there (no file, no folder) is told from there but unreadable (held without sharing), with
// the system's reason; the read waits for a file that is let go meanwhile.
TEST_F(DataFileTest, ReadTellsMissingFromUnreadableAndWaitsForIt)
{
    DWORD error = 0;
    for (const wchar_t* absent : {L"none.dat", L"none\\Paneveil.dat"})
        EXPECT_EQ(ReadDataFile(m_folder.File(absent).c_str(), m_settings, m_list, 0), DataFileRead::Missing) << absent;
    const Bytes saved = State();
    UniqueFileHandle held(CreateFileW(m_path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(ReadDataFile(m_path.c_str(), m_settings, m_list, 300, &error), DataFileRead::Unreadable);
    EXPECT_EQ(error, DWORD(ERROR_SHARING_VIOLATION));
    std::thread release([&] { Sleep(300); held.reset(); });
    m_settings.Reset();
    EXPECT_EQ(ReadDataFile(m_path.c_str(), m_settings, m_list, 5000, &error), DataFileRead::Loaded);
    release.join();
    EXPECT_EQ(State(), saved);
}

// Each image is loaded over settings of 1s and a list holding "kept".
TEST_F(DataFileTest, LoadTakesWhatItKnowsAndRefusesWhatItCannotRead)
{
    const Bytes set = SettingsRecord(), prior = U32(33) + Bytes(29, 1), kept = U32(1) + Record(L"kept", 5);
    const Bytes none = U32(0), good = Record(L"good", 10), one = U32(1) + good, head = kHeader + set;
    const Bytes defaults = U32(33) + Bytes{40} + Bytes(24, 0) + Bytes{0, 1, 0, 0};
    const struct { const char* name; Bytes image; bool loads; Bytes state; } cases[] = {
        {"bytes 5-15 ignored", Slice(kHeader, 0, 5) + Bytes(11, 7) + set + none, true, set + none},
        {"byte 4 not 0", Slice(kHeader, 0, 4) + Bytes(12, 1) + set + none, false, prior + kept},
        {"lower-case magic", Bytes{'p', 'v', '0', '1'} + Bytes(12, 0) + set + none, false, prior + kept},
        {"13-byte settings", kHeader + U32(13) + Slice(set, 4, 13) + one, true, Slice(set, 0, 13) + Bytes(20, 1) + one},
        {"settings of 40 bytes", kHeader + U32(40) + Slice(set, 4, 33) + Bytes(7, 9) + one, true, set + one},
        {"flags of 2 and 255 read as 1, the wheel's keys 3 as 0", kHeader + Slice(set, 0, 29) + Bytes{2, 255, 3, 7} + none, true,
         Slice(set, 0, 29) + Bytes{1, 1, 0, 1} + none},
        {"settings length 2 counts as 33", kHeader + U32(2) + Slice(set, 4, 33) + none, true, set + none},
        {"settings of only their length", kHeader + U32(4) + none, true, prior + none},
        {"settings length 0", kHeader + U32(0) + Slice(set, 4, 33) + none, false, defaults + kept},
        {"global 100 loads as 40", kHeader + SettingsRecord(100) + none, true, SettingsRecord(40) + none},
        {"global 99 is kept", kHeader + SettingsRecord(99) + none, true, SettingsRecord(99) + none},
        // Settings cut short are the defaults, never half of them: half a digest would be a
        // password nobody knows. A length that ends inside the digest cuts it too.
        {"cut inside the digest", Slice(head + one, 0, 16 + 4 + 20), false, defaults + kept},
        {"length ending inside the digest", kHeader + U32(20) + Slice(set, 4, 20) + one, false, defaults + kept},
        {"cut inside the settings length", kHeader + Bytes{33, 0}, false, defaults + kept},
        // Records of 535 bytes (8 skipped), 100 bytes (48 units, no transparency) and 3 (read as
        // 527); transparency 100, 99 and 0; 261 units; a repeated pattern (the first is kept).
        {"filters taken as far as they are known",
         head + U32(8) + Record(L"long", 20, 535) + Bytes(8, 7) + Slice(Record(std::wstring(50, L'f'), 9, 100), 0, 100)
             + Record(L"3", 12, 3) + Record(L"a", 100) + Record(L"b", 99) + Record(L"c", 0)
             + Record(std::wstring(261, L'q'), 10) + Record(L"LONG", 30),
         true,
         set + U32(7) + Record(L"long", 20) + Record(std::wstring(48, L'f'), 40) + Record(L"3", 12) + Record(L"a", 40)
             + Record(L"b", 99) + Record(L"c", 0) + Record(std::wstring(260, L'q'), 10)},
        // A filter that cannot be read ends the list: the filters before it and the settings stay.
        {"empty pattern", head + U32(2) + good + Record(L"", 20), false, set + one},
        {"filter length 0", head + U32(2) + good + Record(L"x", 1, 0), false, set + one},
        {"filter cut short", head + U32(2) + good + Slice(Record(L"cut", 20), 0, 300), false, set + one},
        {"fewer filters than counted", head + U32(3) + good + Record(L"also", 20), false,
         set + U32(2) + good + Record(L"also", 20)},
        {"count cut short", head + Bytes{2, 0}, false, set + none},
        // 4 GB - 527 skips past the end; as a signed 32-bit distance it would lead back to "good".
        {"filter length near 4 GB", head + U32(3) + good + Record(L"huge", 10, 0u - 527), false,
         set + U32(2) + good + Record(L"huge", 10)},
    };
    for (const auto& c : cases) {
        std::memcpy(&m_settings, prior.data(), prior.size());
        m_list.Clear();
        ASSERT_TRUE(m_list.AddFilter(L"kept", 5) && WriteWholeFile(m_path, c.image));
        EXPECT_EQ(c.loads, LoadDataFile(m_path.c_str(), m_settings, m_list)) << c.name;
        // gtest prints only the first 32 bytes of each; the offset says where they first differ.
        const Bytes state = State();
        const auto differ = std::mismatch(c.state.begin(), c.state.end(), state.begin(), state.end()).first;
        EXPECT_EQ(c.state, state) << c.name << ", from byte " << differ - c.state.begin();
    }
    // Older files' 29, 31 and 32 bytes leave the options after them at their defaults.
    for (uint32_t older : {29, 31, 32}) {
        m_settings.Reset();
        ASSERT_TRUE(WriteWholeFile(m_path, kHeader + U32(older) + Slice(set, 4, older) + none));
        EXPECT_TRUE(LoadDataFile(m_path.c_str(), m_settings, m_list));
        EXPECT_EQ(Slice(set, 0, older) + Slice(Bytes{0, 1, 0, 0}, older - 29, 4) + none, State()) << older;
    }
}

// Damaged files: bytes changed, files cut anywhere, the lengths (settings at 16, filters at 53, 580
// and 1107) and the count (49) at their extremes. Whatever the reader makes of one, it must be
// quick, allocate by the file's size rather than by a field, and leave a state the program can use.
TEST_F(DataFileTest, DamagedFilesLoadQuicklyIntoAUsableState)
{
    // Past the third record a repeat of the second, case aside, which a count of 4 reaches.
    const Bytes image = kHeader + SettingsRecord() + U32(3) + Record(L"pad", 10) + Record(L"PAD.exe", 99)
                        + Record(L"Pad*", 0) + Record(L"pAD.EXE", 50);
    const uint32_t extremes[] = {0, 1, 3, 4, 5, 8, 29, 527, 100000, 0x7FFFFFFF, 0x80000000, 4000000000u, ~0u - 526, ~0u};
    std::mt19937 random(20240611);
    UniqueFileHandle dump(CreateFileW(m_folder.File(L"dump").c_str(), GENERIC_ALL, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    PROCESS_MEMORY_COUNTERS before{}, after{};
    ASSERT_TRUE(dump && GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before));
    const int files = 10000;
    double slowest = 0;
    for (int file = 0; file < files; ++file) {
        Bytes bytes = image;
        for (size_t field : {16, 49, 53, 580, 1107})
            if (random() % 3 == 0)
                std::memcpy(&bytes[field], U32(extremes[random() % std::size(extremes)]).data(), 4);
        for (unsigned flips = random() % 6; flips; --flips)
            bytes[random() % bytes.size()] = uint8_t(random());
        bytes.resize(random() % 2 ? random() % (bytes.size() + 1) : bytes.size());
        // Rewritten in place: under Wine, truncating on opening (CREATE_ALWAYS, as WriteWholeFile
        // does) costs several times as much.
        UniqueFileHandle out(CreateFileW(m_path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr));
        ASSERT_TRUE(out && WriteExactly(out.get(), bytes.data(), DWORD(bytes.size())) && SetEndOfFile(out.get()));
        out.reset();
        m_settings.Reset();
        m_list.Clear();
        const auto start = std::chrono::steady_clock::now();
        LoadDataFile(m_path.c_str(), m_settings, m_list);
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        slowest = std::max(slowest, took.count());
        const Settings& loaded = m_settings;
        EXPECT_TRUE(loaded.size == 33 && loaded.globalTransparency <= 99
                    && (loaded.hideTrayIcon | loaded.autoStart | loaded.safeMode | loaded.superTransMode
                        | loaded.activeWindowOpaque | loaded.wheelAdjust | loaded.hoverOpaque) <= 1 && loaded.wheelModifiers <= 2) << file;

        // The list as a save writes it: a count, then records of 527 bytes.
        ASSERT_TRUE(SetFilePointer(dump.get(), 0, nullptr, FILE_BEGIN) == 0 && m_list.WriteToFile(dump.get()));
        Bytes written(SetFilePointer(dump.get(), 0, nullptr, FILE_CURRENT));
        ASSERT_TRUE(SetFilePointer(dump.get(), 0, nullptr, FILE_BEGIN) == 0
                    && ReadExactly(dump.get(), written.data(), DWORD(written.size())));
        std::set<std::wstring> folded;
        for (size_t at = 4; at + 527 <= written.size(); at += 527) {
            std::wstring pattern;
            for (size_t unit = at + 4; unit < at + 526 && (written[unit] | written[unit + 1]); unit += 2)
                pattern += FoldAsciiLetter(wchar_t(written[unit] | written[unit + 1] << 8));
            EXPECT_TRUE(Slice(written, at, at + 4) == U32(527) && !pattern.empty() && pattern.size() <= 260
                        && written[at + 526] <= 99 && folded.insert(pattern).second) << file << ", at " << at;
        }
    }
    ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after));
    printf("%d damaged data files loaded, the slowest in %.2f ms\n", files, slowest);
    EXPECT_LT(slowest, 1000.0);
    // The working set's peak: Wine keeps none of committed memory.
    EXPECT_LT(after.PeakWorkingSetSize - before.PeakWorkingSetSize, size_t(16) << 20);
}

TEST_F(DataFileTest, PathComposedUnderDocumentsWithRoomForTheTemporaryFile)
{
    wchar_t documents[MAX_PATH + 1] = {}, path[kPathCapacity];
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, documents, CSIDL_PERSONAL, FALSE) && BuildDataFilePath(path));
    EXPECT_EQ(std::wstring(documents) + L"\\Kestro\\Paneveil\\Paneveil.dat", path);
    // A redirected network folder must stay absolute.
    ASSERT_TRUE(ComposeDataFilePath(L"\\\\server\\share\\Documents", path));
    EXPECT_EQ(std::wstring(L"\\\\server\\share\\Documents\\Kestro\\Paneveil\\Paneveil.dat"), path);

    // The data folder may be at most MAX_PATH - 14 = 246 characters (GetTempFileNameW's limit).
    for (size_t length : {300, 247, 246}) {
        const std::wstring folder = m_folder.File(std::wstring(length - 17 - m_folder.Path().size(), L'd').c_str());
        std::memset(path, 0xCC, sizeof(path));
        EXPECT_EQ(length == 246, ComposeDataFilePath(folder.c_str(), path)) << length;
        EXPECT_EQ(length == 246 ? folder + L"\\Kestro\\Paneveil\\Paneveil.dat" : L"", path) << length;
    }
    // The folders were made, and a whole save works at that length.
    EXPECT_TRUE(SaveDataFile(path, m_settings, m_list) && DeleteFileW(path));
    for (int made = 0; made < 3 && RemoveLastPathComponent(path); ++made)
        RemoveDirectoryW(path);
    EXPECT_FALSE(ComposeDataFilePath(L"", path) || ComposeDataFilePath(nullptr, path));
}

// Each helper edits a buffer in place; `capacity` is what it is told the buffer holds. A refusal
// leaves the buffer as it was.
TEST(PathUtil, AppendRemoveAndQuote)
{
    enum Op { Append, Remove, Quote };
    const struct { Op op; const wchar_t *path, *expected, *component = nullptr; size_t capacity = 261;
                   bool result = true; } cases[] = {
        {Append, L"C:\\Users\\", L"C:\\Users\\Kestro", L"\\\\Kestro"}, {Append, L"", L"Kestro", L"\\Kestro"},
        {Append, L"C:", L"C:\\x", L"x"}, {Append, L"C:\\a", L"C:\\a\\", L""},
        {Append, L"C:", L"C:", nullptr, 261, false}, {Append, L"C:\\ab", L"C:\\ab\\c", L"c", 8},
        {Append, L"C:\\ab\\c", L"C:\\ab\\c", L"d", 8, false},
        {Append, L"abcd", L"abcd", L"x", 4, false},   // not terminated within its capacity
        {Remove, L"C:\\Users", L"C:\\"}, {Remove, L"C:\\", L"C:\\"}, {Remove, L"C:file", L"C:"},
        {Remove, L"C:\\a\\", L"C:\\a"}, {Remove, L"\\\\server\\share\\dir", L"\\\\server\\share"},
        {Remove, L"\\\\server", L"\\\\"}, {Remove, L"\\dir", L"\\"}, {Remove, L"dir\\file", L"dir"},
        {Remove, L"file", L""}, {Remove, L"ab:\\", L"ab:\\"}, {Remove, L"", L"", nullptr, 0, false},
        {Remove, L"\"C:\\a b\\c.exe\"", L"\"C:\\a b"}, {Remove, L"\"C:\\c.exe\"", L"\"C:\\"},
        {Quote, L"C:\\a b\\c.exe", L"\"C:\\a b\\c.exe\""}, {Quote, L"C:\\ab\\c.exe", L"C:\\ab\\c.exe"},
        {Quote, L"\"C:\\a b\"", L"\"C:\\a b\""}, {Quote, L"\"C:\\a b", L"\"\"C:\\a b\""}, {Quote, L"", L""},
        {Quote, L"\t", L"\"\t\""}, {Quote, L"a b", L"\"a b\"", nullptr, 6},
        {Quote, L"a  b", L"a  b", nullptr, 6, false},
    };
    for (const auto& c : cases) {
        wchar_t buffer[261] = {};
        wcscpy(buffer, c.path);
        const bool result = c.op == Append   ? AppendPathComponent(buffer, c.capacity, c.component)
                            : c.op == Remove ? RemoveLastPathComponent(buffer)
                                             : QuoteIfHasSpace(buffer, c.capacity);
        EXPECT_EQ(c.result, result) << "case " << &c - cases;
        EXPECT_STREQ(c.expected, buffer) << "case " << &c - cases;
    }
    EXPECT_FALSE(AppendPathComponent(nullptr, 8, L"x") || RemoveLastPathComponent(nullptr)
                 || QuoteIfHasSpace(nullptr, 8));
}

TEST(PathUtil, IsRelativePathAndCreateDirectoryTree)
{
    using Paths = std::initializer_list<const wchar_t*>;
    for (const wchar_t* relative : Paths{nullptr, L"", L"\"C:\\a b\\c.exe\"", L"a\\b", L"f.dat"})
        EXPECT_TRUE(IsRelativePath(relative)) << testing::PrintToString(relative);
    for (const wchar_t* absolute : Paths{L"C:\\", L"C:file", L"\\\\server\\share", L"\\root"})
        EXPECT_FALSE(IsRelativePath(absolute)) << testing::PrintToString(absolute);

    TempFolder temp;
    const std::wstring deepest = temp.File(L"a\\b\\c");
    EXPECT_TRUE(CreateDirectoryTree(deepest.c_str()));
    // An existing folder is reported as a failure, as CreateDirectoryW reports it.
    EXPECT_FALSE(CreateDirectoryTree(deepest.c_str()));
    EXPECT_TRUE(CreateDirectoryTree((deepest + L"\\d").c_str()));
    for (const wchar_t* made : {L"a\\b\\c\\d", L"a\\b\\c", L"a\\b"})
        EXPECT_TRUE(RemoveDirectoryW(temp.File(made).c_str()));
    // "ab:\" can neither be created nor cut shorter.
    const std::wstring tooLong = L"C:\\" + std::wstring(300, L'x');
    for (const wchar_t* refused : Paths{nullptr, L"", L"a\\b", L"\"C:\\a\"", tooLong.c_str(), L"ab:\\x", L"ab:\\x\\y"})
        EXPECT_FALSE(CreateDirectoryTree(refused)) << testing::PrintToString(refused);
}

} // namespace
