#include "DataFile.h"
#include "DataFilePath.h"
#include "TestSupport.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Builds file images from the layout: little-endian integers, UTF-16LE patterns padded with NUL.
class Image {
public:
    Image& Raw(std::initializer_list<uint8_t> bytes) { return Append(Bytes(bytes)); }
    Image& Zeros(size_t count) { return Append(Bytes(count, 0)); }
    Image& U8(uint8_t v) { return Raw({v}); }
    Image& U16(uint16_t v) { return Raw({uint8_t(v), uint8_t(v >> 8)}); }
    Image& U32(uint32_t v) { return U16(uint16_t(v)).U16(uint16_t(v >> 16)); }
    Image& Header() { return Raw({'P', 'V', '0', '1'}).Zeros(12); }
    // The 25 bytes after the settings record's size field, as SetDistinctSettings makes them.
    Image& SettingsBody(uint8_t global)
    {
        U8(global).U8(1).U8(0).U8(1).U8(1).U16(0x0141).U16(0x0006);
        for (uint8_t i = 0; i < 16; ++i)
            U8(uint8_t(0xA0 + i));
        return *this;
    }
    Image& Pattern(const std::wstring& pattern, size_t units = 261)
    {
        for (size_t i = 0; i < units; ++i)
            U16(i < pattern.size() ? uint16_t(pattern[i]) : 0);
        return *this;
    }
    Image& Record(const std::wstring& pattern, uint8_t t) { return U32(527).Pattern(pattern).U8(t); }
    Image& Append(const Image& other) { return Append(other.m_bytes); }
    Image& Append(const Bytes& bytes)
    {
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
        return *this;
    }
    Image& Truncate(size_t length)
    {
        m_bytes.resize(length);
        return *this;
    }
    const Bytes& Get() const { return m_bytes; }

private:
    Bytes m_bytes;
};

// A file's start up to the filter count: header and a 29-byte settings record.
Image Head(uint8_t global = 33)
{
    return Image().Header().U32(29).SettingsBody(global);
}

Bytes BytesOf(const Settings& s)
{
    const uint8_t* p = reinterpret_cast<const uint8_t*>(&s);
    return Bytes(p, p + sizeof(Settings));
}

class DataFileTest : public testing::Test {
protected:
    DataFileTest()
    {
        m_settings.Reset();
        m_defaults.Reset();
    }

    void SetDistinctSettings()
    {
        m_settings.globalTransparency = 33;
        m_settings.hideTrayIcon = 1;
        m_settings.autoStart = 0;
        m_settings.safeMode = 1;
        m_settings.superTransMode = 1;
        m_settings.hotkeyVirtualKey = 0x0141;
        m_settings.hotkeyModifiers = 0x0006;
        for (uint8_t i = 0; i < 16; ++i)
            m_settings.passwordDigest[i] = uint8_t(0xA0 + i);
    }
    // Loads a fresh state from the image.
    bool Load(const Image& image)
    {
        m_settings.Reset();
        m_list.Clear();
        EXPECT_TRUE(WriteWholeFile(m_path, image.Get()));
        return LoadDataFile(m_path.c_str(), m_settings, m_list);
    }
    Bytes Saved()
    {
        Bytes bytes;
        EXPECT_TRUE(ReadWholeFile(m_path, bytes));
        return bytes;
    }

    TempFolder m_folder;
    const std::wstring m_path = m_folder.File(L"Paneveil.dat");
    Settings m_settings;
    Settings m_defaults;
    FilterList m_list;
};

TEST_F(DataFileTest, SaveWritesTheLayoutHeadFirstAndReplacesTheWholeFile)
{
    SetDistinctSettings();
    ASSERT_TRUE(m_list.AddFilter(L"C:\\Windows\\notepad.exe", 0));
    ASSERT_TRUE(m_list.AddFilter(L"*Mail?", 75));
    ASSERT_TRUE(SaveDataFile(m_path.c_str(), m_settings, m_list));
    const Image two = Head().U32(2).Record(L"*Mail?", 75).Record(L"C:\\Windows\\notepad.exe", 0);
    ASSERT_EQ(1103u, two.Get().size());
    EXPECT_EQ(two.Get(), Saved());

    // The shorter file keeps nothing of the longer one, and no temporary file is left.
    m_list.Clear();
    ASSERT_TRUE(SaveDataFile(m_path.c_str(), m_settings, m_list));
    const Image none = Head().U32(0);
    ASSERT_EQ(49u, none.Get().size());
    EXPECT_EQ(none.Get(), Saved());
    EXPECT_EQ(std::vector<std::wstring>{L"Paneveil.dat"}, m_folder.FileNames());
}

TEST_F(DataFileTest, MissingFileFolderOrPathFailsAndChangesNothing)
{
    ASSERT_TRUE(m_list.AddFilter(L"kept", 5));
    const std::wstring absent = m_folder.File(L"absent\\Paneveil.dat");
    for (const wchar_t* path : {absent.c_str(), L"", static_cast<const wchar_t*>(nullptr)}) {
        EXPECT_FALSE(LoadDataFile(path, m_settings, m_list));
        EXPECT_FALSE(SaveDataFile(path, m_settings, m_list));
    }
    EXPECT_EQ(BytesOf(m_defaults), BytesOf(m_settings));
    EXPECT_EQ((Entries{{L"kept", 5}}), ListEntries(m_list));
    EXPECT_TRUE(m_folder.FileNames().empty());
}

TEST_F(DataFileTest, HeaderNeedsTheMagicAndAZeroFifthByte)
{
    const Image rest = Image().U32(29).SettingsBody(33).U32(0);
    struct {
        const char* name;
        Image image;
        bool accepted;
    } cases[] = {
        {"bytes 5-15 may hold anything", Image().Raw({'P', 'V', '0', '1', 0}).Append(Bytes(11, 7)).Append(rest), true},
        {"byte 4 not zero", Image().Raw({'P', 'V', '0', '1', 1}).Zeros(11).Append(rest), false},
        {"wrong magic", Image().Raw({'P', 'V', '0', '2'}).Zeros(12).Append(rest), false},
        {"lower-case magic", Image().Raw({'p', 'v', '0', '1'}).Zeros(12).Append(rest), false},
        {"shorter than the magic", Image().Raw({'P', 'V', '0'}), false},
        {"empty file", Image(), false},
    };
    for (auto& c : cases) {
        m_list.Clear();
        ASSERT_TRUE(m_list.AddFilter(L"kept", 5));
        m_settings.Reset();
        EXPECT_TRUE(WriteWholeFile(m_path, c.image.Get()));
        EXPECT_EQ(c.accepted, LoadDataFile(m_path.c_str(), m_settings, m_list)) << c.name;
        // Nothing is taken from a rejected file; an accepted one replaces the list.
        const Bytes settings = c.accepted ? Image().U32(29).SettingsBody(33).Get() : BytesOf(m_defaults);
        EXPECT_EQ(settings, BytesOf(m_settings)) << c.name;
        EXPECT_EQ((c.accepted ? Entries() : Entries{{L"kept", 5}}), ListEntries(m_list)) << c.name;
    }
}

TEST_F(DataFileTest, SettingsRecordsOfOtherLengthsAndCutShort)
{
    const Bytes defaults = BytesOf(m_defaults);
    const Image flags13 = Image().U8(55).U8(1).U8(1).U8(0).U8(1).U16(0x41).U16(0x2);
    struct {
        const char* name;
        Image image;
        bool loads;
        Bytes settings;   // the 29 bytes after loading
        Entries list;
    } cases[] = {
        {"13 bytes: flags and hotkey, no digest", Image().Header().U32(13).Append(flags13).U32(1).Record(L"f", 9), true,
         Image().U32(29).Append(flags13).Zeros(16).Get(), {{L"f", 9}}},
        {"40 bytes: 11 extra skipped, count at offset 56",
         Image().Header().U32(40).SettingsBody(33).Append(Bytes(11, 9)).U32(1).Record(L"f", 9), true,
         Image().U32(29).SettingsBody(33).Get(), {{L"f", 9}}},
        {"stored length 2 counts as 29", Image().Header().U32(2).SettingsBody(33).U32(0), true,
         Image().U32(29).SettingsBody(33).Get(), {}},
        {"4 bytes: only the length", Image().Header().U32(4).U32(0), true, defaults, {}},
        {"stored length 0 is refused", Image().Header().U32(0).SettingsBody(33).U32(0), false, defaults, {}},
        {"global transparency 100 loads as 40", Head(100).U32(0), true, Image().U32(29).SettingsBody(40).Get(), {}},
        {"global transparency 99 is kept", Head(99).U32(0), true, Image().U32(29).SettingsBody(99).Get(), {}},
        // Cut off inside the record: what was read stays, and is brought into range.
        {"cut after autoStart", Head().Truncate(23), false, Image().U32(29).U8(33).U8(1).U8(0).Zeros(22).Get(), {}},
        {"cut after hideTrayIcon, global 200", Head(200).Truncate(22), false,
         Image().U32(29).U8(40).U8(1).Zeros(23).Get(), {}},
        {"cut inside the length", Image().Header().Raw({29, 0}), false, defaults, {}},
    };
    for (auto& c : cases) {
        EXPECT_EQ(c.loads, Load(c.image)) << c.name;
        EXPECT_EQ(c.settings, BytesOf(m_settings)) << c.name;
        EXPECT_EQ(c.list, ListEntries(m_list)) << c.name;
    }
}

TEST_F(DataFileTest, FilterRecordsOfOtherLengths)
{
    const std::wstring fifty = L"0123456789abcdefghijABCDEFGHIJ0123456789abcdefghij";
    struct {
        const char* name;
        uint32_t count;
        Image records;
        Entries expected;
    } cases[] = {
        {"527 + 8: extra bytes skipped", 2,
         Image().U32(535).Pattern(L"long").U8(20).Append(Bytes(8, 7)).Record(L"next", 30),
         {{L"long", 20}, {L"next", 30}}},
        {"100: first 48 characters, transparency 40", 2, Image().U32(100).Pattern(fifty, 48).Record(L"next", 30),
         {{fifty.substr(0, 48), 40}, {L"next", 30}}},
        {"3 counts as 527", 1, Image().U32(3).Pattern(L"three").U8(12), {{L"three", 12}}},
        {"transparency 255 loads as 40", 2, Image().Record(L"hot", 255).Record(L"zero", 0),
         {{L"hot", 40}, {L"zero", 0}}},
        {"unit 261 forced to NUL", 1, Image().Record(std::wstring(261, L'q'), 10), {{std::wstring(260, L'q'), 10}}},
        {"a repeated pattern keeps the first", 3, Image().Record(L"Same", 10).Record(L"other", 20).Record(L"SAME", 30),
         {{L"Same", 10}, {L"other", 20}}},
    };
    for (auto& c : cases) {
        EXPECT_TRUE(Load(Head().U32(c.count).Append(c.records))) << c.name;
        EXPECT_EQ(c.expected, ListEntries(m_list)) << c.name;
    }
}

TEST_F(DataFileTest, AnUnreadableFilterRecordEmptiesTheListButKeepsTheSettings)
{
    struct {
        const char* name;
        Image afterSettings;
    } cases[] = {
        {"empty pattern", Image().U32(2).Record(L"good", 10).Record(L"", 20)},
        {"stored length 0", Image().U32(2).Record(L"good", 10).U32(0).Pattern(L"x").U8(1)},
        {"record cut short", Image().U32(2).Record(L"good", 10).Record(L"cut", 20).Truncate(4 + 527 + 300)},
        {"fewer records than counted", Image().U32(3).Record(L"good", 10).Record(L"also", 20)},
        {"count cut short", Image().Raw({2, 0})},
        // A length near 4 GB must move forward past the end, not backwards over earlier records.
        {"huge stored length", Image().U32(3).U32(0xFFFFFFF0u).Pattern(L"huge").U8(10).Record(L"good", 20)},
        {"length just above 2 GB", Image().U32(3).U32(0x80000000u + 527).Pattern(L"big").U8(10).Record(L"good", 20)},
    };
    for (auto& c : cases) {
        EXPECT_FALSE(Load(Head().Append(c.afterSettings))) << c.name;
        EXPECT_TRUE(ListEntries(m_list).empty()) << c.name;
        EXPECT_EQ(Image().U32(29).SettingsBody(33).Get(), BytesOf(m_settings)) << c.name;
    }
}

TEST_F(DataFileTest, FailedSaveLeavesThePreviousFileAndNoTemporaryFile)
{
    SetDistinctSettings();
    ASSERT_TRUE(m_list.AddFilter(L"precious", 70));
    ASSERT_TRUE(SaveDataFile(m_path.c_str(), m_settings, m_list));
    const Bytes before = Saved();

    // Another program (a backup tool, a virus scanner) holds the file open without sharing.
    HANDLE holder = CreateFileW(m_path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    m_list.Clear();
    m_settings.Reset();
    EXPECT_FALSE(SaveDataFile(m_path.c_str(), m_settings, m_list));
    CloseHandle(holder);
    EXPECT_EQ(before, Saved());
    EXPECT_EQ(std::vector<std::wstring>{L"Paneveil.dat"}, m_folder.FileNames());
}

TEST_F(DataFileTest, ProcessKilledWhileSavingLeavesACompleteFile)
{
    ASSERT_TRUE(m_list.AddFilter(L"seed", 1));
    ASSERT_TRUE(SaveDataFile(m_path.c_str(), m_settings, m_list));
    const Bytes seed = Saved();
    wchar_t self[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring program = std::wstring(self, wcsrchr(self, L'\\') + 1) + L"data_file_saver.exe";

    for (int round = 0; round < 10; ++round) {
        std::wstring commandLine = L"\"" + program + L"\" \"" + m_path + L"\"";
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &process));
        // Once the saver's versions appear, let it run a little while, different for every round.
        Bytes current;
        for (int wait = 0; wait < 1000 && (!ReadWholeFile(m_path, current) || current == seed); ++wait)
            Sleep(5);
        Sleep(3 * round);
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);

        // One of the saver's two versions, whole: 200 filters and settings of the same version.
        FilterList list;
        ASSERT_TRUE(LoadDataFile(m_path.c_str(), m_settings, list)) << "round " << round;
        const Entries entries = ListEntries(list);
        ASSERT_EQ(200u, entries.size()) << "round " << round;
        const int version = entries.front().second / 10;
        EXPECT_EQ(11 * version, m_settings.globalTransparency) << "round " << round;
        for (const auto& entry : entries)
            EXPECT_EQ(version * 10, entry.second) << "round " << round;
    }
}

TEST(DataFilePath, ComposedUnderDocumentsWithRoomForTheTemporaryFile)
{
    wchar_t documents[MAX_PATH + 1] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, documents, CSIDL_PERSONAL, FALSE));
    wchar_t path[kPathCapacity];
    ASSERT_TRUE(BuildDataFilePath(path));
    EXPECT_EQ(std::wstring(documents) + L"\\Kestro\\Paneveil\\Paneveil.dat", path);
    const DWORD attributes = GetFileAttributesW((std::wstring(documents) + L"\\Kestro\\Paneveil").c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));

    // The data folder may be at most MAX_PATH - 14 = 246 characters (GetTempFileNameW's limit).
    TempFolder temp;
    for (size_t folderLength : {246, 247, 260}) {
        const std::wstring folder = temp.Path() + L"\\" + std::wstring(folderLength - 17 - temp.Path().size(), L'd');
        const std::wstring dataFolder = folder + L"\\Kestro\\Paneveil";
        ASSERT_EQ(folderLength, dataFolder.size());
        std::memset(path, 0xCC, sizeof(path));
        const bool composed = ComposeDataFilePath(folder.c_str(), path);
        EXPECT_EQ(folderLength == 246, composed) << folderLength;
        if (composed) {
            EXPECT_EQ(dataFolder + L"\\Paneveil.dat", path);
            // The whole round of a save works at this length.
            Settings settings;
            settings.Reset();
            FilterList list;
            EXPECT_TRUE(SaveDataFile(path, settings, list));
            DeleteFileW(path);
            for (const std::wstring& made : {dataFolder, folder + L"\\Kestro", folder})
                RemoveDirectoryW(made.c_str());
        } else {
            EXPECT_EQ(std::wstring(kPathCapacity, L'\0'), std::wstring(path, kPathCapacity)) << folderLength;
        }
    }
    EXPECT_FALSE(ComposeDataFilePath(L"", path));
    EXPECT_EQ(L'\0', path[0]);
    EXPECT_FALSE(ComposeDataFilePath(nullptr, path));
}

} // namespace
