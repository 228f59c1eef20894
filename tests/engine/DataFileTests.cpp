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
    Image& Raw(std::initializer_list<uint8_t> bytes)
    {
        m_bytes.insert(m_bytes.end(), bytes);
        return *this;
    }
    Image& Zeros(size_t count)
    {
        m_bytes.insert(m_bytes.end(), count, 0);
        return *this;
    }
    Image& U8(uint8_t v) { return Raw({v}); }
    Image& U16(uint16_t v) { return Raw({uint8_t(v), uint8_t(v >> 8)}); }
    Image& U32(uint32_t v) { return Raw({uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}); }
    Image& Header() { return Raw({'P', 'V', '0', '1'}).Zeros(12); }
    // The 25 bytes after the settings record's size field.
    Image& SettingsBody(uint8_t global, uint8_t firstDigestByte = 0xA0)
    {
        U8(global).U8(1).U8(0).U8(1).U8(1).U16(0x0141).U16(0x0006);
        for (uint8_t i = 0; i < 16; ++i)
            U8(static_cast<uint8_t>(firstDigestByte + i));
        return *this;
    }
    Image& Pattern(const std::wstring& pattern, size_t units = 261)
    {
        for (size_t i = 0; i < units; ++i)
            U16(i < pattern.size() ? static_cast<uint16_t>(pattern[i]) : 0);
        return *this;
    }
    Image& FilterRecord(const std::wstring& pattern, uint8_t transparency)
    {
        return U32(527).Pattern(pattern).U8(transparency);
    }
    Image& Append(const Image& other)
    {
        m_bytes.insert(m_bytes.end(), other.m_bytes.begin(), other.m_bytes.end());
        return *this;
    }
    Image& Truncate(size_t length)
    {
        m_bytes.resize(length);
        return *this;
    }
    const Bytes& Get() const { return m_bytes; }
    size_t Size() const { return m_bytes.size(); }

private:
    Bytes m_bytes;
};

using Entries = std::vector<std::pair<std::wstring, int>>;

class DataFileTest : public testing::Test {
protected:
    DataFileTest() : m_path(m_folder.File(L"Paneveil.dat"))
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
            m_settings.passwordDigest[i] = static_cast<uint8_t>(0xA0 + i);
    }

    bool Load(const Image& image)
    {
        EXPECT_TRUE(WriteWholeFile(m_path, image.Get()));
        return LoadDataFile(m_path.c_str(), m_settings, m_list);
    }

    Bytes SettingsBytes(const Settings& s) const
    {
        const uint8_t* p = reinterpret_cast<const uint8_t*>(&s);
        return Bytes(p, p + sizeof(Settings));
    }

    TempFolder m_folder;
    std::wstring m_path;
    Settings m_settings;
    Settings m_defaults;
    FilterList m_list;
};

TEST_F(DataFileTest, EmptyListFileIsTheHeaderTheSettingsAndACountOfZero)
{
    SetDistinctSettings();
    ASSERT_TRUE(SaveDataFile(m_path.c_str(), m_settings, m_list));
    Bytes bytes;
    ASSERT_TRUE(ReadWholeFile(m_path, bytes));
    const Image expected = Image().Header().U32(29).SettingsBody(33).U32(0);
    ASSERT_EQ(49u, expected.Size());
    EXPECT_EQ(expected.Get(), bytes);
}

TEST_F(DataFileTest, TwoFilterFileHasTheHeadFirst)
{
    SetDistinctSettings();
    ASSERT_TRUE(m_list.AddFilter(L"C:\\Windows\\notepad.exe", 0));
    ASSERT_TRUE(m_list.AddFilter(L"*Mail?", 75));
    ASSERT_TRUE(SaveDataFile(m_path.c_str(), m_settings, m_list));
    Bytes bytes;
    ASSERT_TRUE(ReadWholeFile(m_path, bytes));
    const Image expected = Image()
                               .Header()
                               .U32(29)
                               .SettingsBody(33)
                               .U32(2)
                               .FilterRecord(L"*Mail?", 75)
                               .FilterRecord(L"C:\\Windows\\notepad.exe", 0);
    ASSERT_EQ(1103u, expected.Size());
    EXPECT_EQ(expected.Get(), bytes);
}

TEST_F(DataFileTest, SaveThenLoadKeepsSettingsBytesAndListOrder)
{
    SetDistinctSettings();
    const std::wstring longest(260, L'z');
    ASSERT_TRUE(m_list.AddFilter(L"a", 20));
    ASSERT_TRUE(m_list.AddFilter(L"B?c", 0));
    ASSERT_TRUE(m_list.AddFilter(L"*.exe", 60));
    ASSERT_TRUE(m_list.AddFilter(longest.c_str(), 99));
    ASSERT_TRUE(SaveDataFile(m_path.c_str(), m_settings, m_list));

    Settings loaded;
    loaded.Reset();
    FilterList list;
    ASSERT_TRUE(list.AddFilter(L"replaced by the load", 1));
    ASSERT_TRUE(LoadDataFile(m_path.c_str(), loaded, list));
    EXPECT_EQ(SettingsBytes(m_settings), SettingsBytes(loaded));
    EXPECT_EQ(ListEntries(m_list), ListEntries(list));
    EXPECT_EQ((Entries{{longest, 99}, {L"*.exe", 60}, {L"B?c", 0}, {L"a", 20}}), ListEntries(list));
}

TEST_F(DataFileTest, HeaderNeedsMagicAndAZeroFifthByte)
{
    struct {
        const char* name;
        Image image;
        bool accepted;
    } cases[] = {
        {"bytes 5-15 may hold anything",
         Image().Raw({'P', 'V', '0', '1', 0}).Raw({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}).U32(29).SettingsBody(33).U32(0), true},
        {"byte 4 not zero", Image().Raw({'P', 'V', '0', '1', 1}).Zeros(11).U32(29).SettingsBody(33).U32(0), false},
        {"wrong magic", Image().Raw({'P', 'V', '0', '2'}).Zeros(12).U32(29).SettingsBody(33).U32(0), false},
        {"lower-case magic", Image().Raw({'p', 'v', '0', '1'}).Zeros(12).U32(29).SettingsBody(33).U32(0), false},
        {"shorter than the magic", Image().Raw({'P', 'V', '0'}), false},
        {"empty file", Image(), false},
    };
    for (auto& c : cases) {
        m_settings.Reset();
        m_list.Clear();
        ASSERT_TRUE(m_list.AddFilter(L"kept", 5));
        EXPECT_EQ(c.accepted, Load(c.image)) << c.name;
        if (!c.accepted) {
            // Nothing was taken from a rejected file.
            EXPECT_EQ(SettingsBytes(m_defaults), SettingsBytes(m_settings)) << c.name;
            EXPECT_EQ((Entries{{L"kept", 5}}), ListEntries(m_list)) << c.name;
        } else {
            EXPECT_EQ(33, m_settings.globalTransparency) << c.name;
            EXPECT_TRUE(ListEntries(m_list).empty()) << c.name;
        }
    }
}

TEST_F(DataFileTest, MissingFileChangesNothing)
{
    ASSERT_TRUE(m_list.AddFilter(L"kept", 5));
    EXPECT_FALSE(LoadDataFile(m_folder.File(L"absent.dat").c_str(), m_settings, m_list));
    EXPECT_FALSE(LoadDataFile(L"", m_settings, m_list));
    EXPECT_FALSE(LoadDataFile(nullptr, m_settings, m_list));
    EXPECT_EQ(SettingsBytes(m_defaults), SettingsBytes(m_settings));
    EXPECT_EQ((Entries{{L"kept", 5}}), ListEntries(m_list));
}

TEST_F(DataFileTest, SettingsRecordsOfOtherLengths)
{
    struct {
        const char* name;
        Image image;
        bool loads;
        Bytes expectedSettings;   // the 29 bytes after loading
        Entries expectedList;
    } cases[] = {
        {"13 bytes: flags and hotkey, no digest",
         Image().Header().U32(13).U8(55).U8(1).U8(1).U8(0).U8(1).U16(0x41).U16(0x2).U32(1).FilterRecord(L"f", 9), true,
         Image().U32(29).U8(55).U8(1).U8(1).U8(0).U8(1).U16(0x41).U16(0x2).Zeros(16).Get(), {{L"f", 9}}},
        {"40 bytes: 11 extra skipped, count at offset 56",
         Image().Header().U32(40).SettingsBody(33).Raw({9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9}).U32(1).FilterRecord(L"f", 9),
         true, Image().U32(29).SettingsBody(33).Get(), {{L"f", 9}}},
        {"stored length 2 counts as 29", Image().Header().U32(2).SettingsBody(33).U32(0), true,
         Image().U32(29).SettingsBody(33).Get(), {}},
        {"stored length 0 is refused", Image().Header().U32(0).SettingsBody(33).U32(0), false,
         Image().U32(29).U8(40).Zeros(24).Get(), {}},
        {"global transparency 100 loads as 40", Image().Header().U32(29).SettingsBody(100).U32(0), true,
         Image().U32(29).SettingsBody(40).Get(), {}},
        {"global transparency 99 is kept", Image().Header().U32(29).SettingsBody(99).U32(0), true,
         Image().U32(29).SettingsBody(99).Get(), {}},
        {"4 bytes: only the length", Image().Header().U32(4).U32(0), true, Image().U32(29).U8(40).Zeros(24).Get(), {}},
    };
    for (auto& c : cases) {
        m_settings.Reset();
        EXPECT_EQ(c.loads, Load(c.image)) << c.name;
        EXPECT_EQ(c.expectedSettings, SettingsBytes(m_settings)) << c.name;
        EXPECT_EQ(c.expectedList, ListEntries(m_list)) << c.name;
    }
}

TEST_F(DataFileTest, FileBrokenOffInsideTheSettingsKeepsWhatWasRead)
{
    // Up to and including hideTrayIcon and autoStart (offsets 20 to 22).
    EXPECT_FALSE(Load(Image().Header().U32(29).SettingsBody(33).Truncate(23)));
    EXPECT_EQ(Image().U32(29).U8(33).U8(1).U8(0).Zeros(22).Get(), SettingsBytes(m_settings));
    EXPECT_TRUE(ListEntries(m_list).empty());

    // A value out of range is replaced even when the rest of the record is missing.
    m_settings.Reset();
    EXPECT_FALSE(Load(Image().Header().U32(29).SettingsBody(200).Truncate(22)));
    EXPECT_EQ(Image().U32(29).U8(40).U8(1).Zeros(23).Get(), SettingsBytes(m_settings));

    m_settings.Reset();
    EXPECT_FALSE(Load(Image().Header().Raw({29, 0})));
    EXPECT_EQ(SettingsBytes(m_defaults), SettingsBytes(m_settings));
}

TEST_F(DataFileTest, FilterRecordsOfOtherLengths)
{
    const std::wstring fifty = L"0123456789abcdefghijABCDEFGHIJ0123456789abcdefghij";
    struct {
        const char* name;
        Image records;   // after the count
        uint32_t count;
        Entries expected;
    } cases[] = {
        {"527 + 8: extra bytes skipped",
         Image().U32(535).Pattern(L"long").U8(20).Raw({1, 2, 3, 4, 5, 6, 7, 8}).FilterRecord(L"next", 30), 2,
         {{L"long", 20}, {L"next", 30}}},
        {"100: first 48 characters, transparency 40",
         Image().U32(100).Pattern(fifty, 48).FilterRecord(L"next", 30), 2, {{fifty.substr(0, 48), 40}, {L"next", 30}}},
        {"3 counts as 527", Image().U32(3).Pattern(L"three").U8(12), 1, {{L"three", 12}}},
        {"transparency 255 loads as 40", Image().FilterRecord(L"hot", 255).FilterRecord(L"zero", 0), 2,
         {{L"hot", 40}, {L"zero", 0}}},
        {"unit 261 forced to NUL",
         Image().U32(527).Pattern(std::wstring(261, L'q')).U8(10), 1, {{std::wstring(260, L'q'), 10}}},
        {"a repeated pattern keeps the first",
         Image().FilterRecord(L"Same", 10).FilterRecord(L"other", 20).FilterRecord(L"SAME", 30), 3,
         {{L"Same", 10}, {L"other", 20}}},
    };
    for (auto& c : cases) {
        EXPECT_TRUE(Load(Image().Header().U32(29).SettingsBody(33).U32(c.count).Append(c.records))) << c.name;
        EXPECT_EQ(c.expected, ListEntries(m_list)) << c.name;
    }
}

TEST_F(DataFileTest, AnUnreadableFilterRecordEmptiesTheListButKeepsTheSettings)
{
    struct {
        const char* name;
        uint32_t count;
        Image records;
    } cases[] = {
        {"empty pattern", 2, Image().FilterRecord(L"good", 10).FilterRecord(L"", 20)},
        {"stored length 0", 2, Image().FilterRecord(L"good", 10).U32(0).Pattern(L"x").U8(1)},
        {"record cut short", 2, Image().FilterRecord(L"good", 10).FilterRecord(L"cut", 20).Truncate(527 + 300)},
        {"fewer records than counted", 3, Image().FilterRecord(L"good", 10).FilterRecord(L"also", 20)},
        {"count cut short", 0, Image()},
        // A length near 4 GB must move forward past the end, not backwards over earlier records.
        {"huge stored length", 3, Image().U32(0xFFFFFFF0u).Pattern(L"huge").U8(10).FilterRecord(L"good", 20)},
        {"stored length just above 2 GB", 3,
         Image().U32(0x80000000u + 527).Pattern(L"big").U8(10).FilterRecord(L"good", 20)},
    };
    for (auto& c : cases) {
        m_settings.Reset();
        ASSERT_TRUE(m_list.AddFilter(L"from before", 5));
        Image image = Image().Header().U32(29).SettingsBody(33);
        if (std::strcmp(c.name, "count cut short") == 0)
            image.Raw({2, 0});
        else
            image.U32(c.count).Append(c.records);
        EXPECT_FALSE(Load(image)) << c.name;
        EXPECT_TRUE(ListEntries(m_list).empty()) << c.name;
        EXPECT_EQ(Image().U32(29).SettingsBody(33).Get(), SettingsBytes(m_settings)) << c.name;
    }
}

TEST_F(DataFileTest, SaveReplacesAnExistingFileWhole)
{
    for (const wchar_t* p : {L"a", L"b", L"c"})
        ASSERT_TRUE(m_list.AddFilter(p, 10));
    ASSERT_TRUE(SaveDataFile(m_path.c_str(), m_settings, m_list));
    m_list.Clear();
    m_settings.globalTransparency = 12;
    ASSERT_TRUE(SaveDataFile(m_path.c_str(), m_settings, m_list));
    Bytes bytes;
    ASSERT_TRUE(ReadWholeFile(m_path, bytes));
    EXPECT_EQ(Image().Header().U32(29).U8(12).Zeros(24).U32(0).Get(), bytes);
    // No temporary file is left next to it.
    EXPECT_EQ(std::vector<std::wstring>{L"Paneveil.dat"}, m_folder.FileNames());
}

TEST_F(DataFileTest, FailedSaveLeavesThePreviousFileAndNoTemporaryFile)
{
    SetDistinctSettings();
    ASSERT_TRUE(m_list.AddFilter(L"precious", 70));
    ASSERT_TRUE(SaveDataFile(m_path.c_str(), m_settings, m_list));
    Bytes before;
    ASSERT_TRUE(ReadWholeFile(m_path, before));

    // Another program (a backup tool, a virus scanner) holds the file open without sharing.
    HANDLE holder = CreateFileW(m_path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    m_list.Clear();
    m_settings.Reset();
    EXPECT_FALSE(SaveDataFile(m_path.c_str(), m_settings, m_list));
    CloseHandle(holder);

    Bytes after;
    ASSERT_TRUE(ReadWholeFile(m_path, after));
    EXPECT_EQ(before, after);
    EXPECT_EQ(std::vector<std::wstring>{L"Paneveil.dat"}, m_folder.FileNames());
}

std::wstring SaverProgram()
{
    wchar_t self[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.rfind(L'\\') + 1) + L"data_file_saver.exe";
}

TEST_F(DataFileTest, ProcessKilledWhileSavingLeavesACompleteFile)
{
    ASSERT_TRUE(m_list.AddFilter(L"seed", 1));
    ASSERT_TRUE(SaveDataFile(m_path.c_str(), m_settings, m_list));
    Bytes seed;
    ASSERT_TRUE(ReadWholeFile(m_path, seed));
    const std::wstring program = SaverProgram();

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

        Settings loaded;
        loaded.Reset();
        FilterList list;
        ASSERT_TRUE(LoadDataFile(m_path.c_str(), loaded, list)) << "round " << round;
        const Entries entries = ListEntries(list);
        ASSERT_EQ(200u, entries.size()) << "round " << round;
        const int version = entries.front().second / 10;
        EXPECT_EQ(11 * version, loaded.globalTransparency);
        for (const auto& entry : entries)
            EXPECT_EQ(version * 10, entry.second) << "round " << round;
    }
}

TEST_F(DataFileTest, SaveFailsWithoutItsFolderOrPath)
{
    const std::wstring missing = m_folder.File(L"absent\\Paneveil.dat");
    EXPECT_FALSE(SaveDataFile(missing.c_str(), m_settings, m_list));
    EXPECT_FALSE(SaveDataFile(L"", m_settings, m_list));
    EXPECT_FALSE(SaveDataFile(nullptr, m_settings, m_list));
    EXPECT_TRUE(m_folder.FileNames().empty());
}

TEST(DataFilePath, ComposedUnderDocumentsAndFoldersCreated)
{
    wchar_t documents[MAX_PATH + 1] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, documents, CSIDL_PERSONAL, FALSE));
    const std::wstring folder = std::wstring(documents) + L"\\Kestro\\Paneveil";
    wchar_t path[kPathCapacity];
    std::memset(path, 0xCC, sizeof(path));
    ASSERT_TRUE(BuildDataFilePath(path));
    EXPECT_EQ(folder + L"\\Paneveil.dat", std::wstring(path));
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
}

TEST(DataFilePath, TooLongOrMissingDocumentsFolderLeavesThePathEmpty)
{
    TempFolder temp;
    // The data folder may be at most MAX_PATH - 14 = 246 characters (GetTempFileNameW's limit).
    const size_t suffix = std::wstring(L"\\Kestro\\Paneveil").size();
    auto documentsOfLength = [&](size_t folderLength) {
        return temp.Path() + L"\\" + std::wstring(folderLength - suffix - temp.Path().size() - 1, L'd');
    };
    struct {
        size_t folderLength;
        bool composed;
    } cases[] = {{246, true}, {247, false}, {260, false}};
    for (const auto& c : cases) {
        const std::wstring documents = documentsOfLength(c.folderLength);
        wchar_t path[kPathCapacity];
        std::memset(path, 0xCC, sizeof(path));
        EXPECT_EQ(c.composed, ComposeDataFilePath(documents.c_str(), path)) << c.folderLength;
        if (c.composed) {
            const std::wstring expected = documents + L"\\Kestro\\Paneveil\\Paneveil.dat";
            EXPECT_EQ(expected, std::wstring(path));
            EXPECT_EQ(c.folderLength + 13, expected.size());
            // The whole round of a save works at this length.
            Settings settings;
            settings.Reset();
            FilterList list;
            EXPECT_TRUE(SaveDataFile(path, settings, list));
            DeleteFileW(path);
            RemoveDirectoryW((documents + L"\\Kestro\\Paneveil").c_str());
            RemoveDirectoryW((documents + L"\\Kestro").c_str());
            RemoveDirectoryW(documents.c_str());
        } else {
            for (wchar_t unit : path)
                EXPECT_EQ(L'\0', unit);
        }
    }
    wchar_t path[kPathCapacity];
    EXPECT_FALSE(ComposeDataFilePath(L"", path));
    EXPECT_EQ(L'\0', path[0]);
    EXPECT_FALSE(ComposeDataFilePath(nullptr, path));
}

} // namespace
