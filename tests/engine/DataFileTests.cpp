#include "DataFile.h"
#include "DataFilePath.h"
#include "ListContents.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// File images built from the layout: little-endian integers, UTF-16LE patterns padded with NUL.
Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes U32(uint32_t v)
{
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}
Bytes Cut(Bytes bytes, size_t length)
{
    bytes.resize(length);
    return bytes;
}
const Bytes kHeader = Bytes{'P', 'V', '0', '1'} + Bytes(12, 0);
// The 29-byte settings record SetDistinctSettings makes, with the given global transparency.
Bytes SettingsRecord(uint8_t global)
{
    Bytes digest;
    for (uint8_t i = 0; i < 16; ++i)
        digest.push_back(uint8_t(0xA0 + i));
    return U32(29) + Bytes{global, 1, 0, 1, 1, 0x41, 0x01, 0x06, 0x00} + digest;
}
Bytes Head(uint8_t global = 33)
{
    return kHeader + SettingsRecord(global);
}
Bytes Pattern(const std::wstring& pattern, size_t units = 261)
{
    Bytes bytes(2 * units, 0);
    for (size_t i = 0; i < units && i < pattern.size(); ++i) {
        bytes[2 * i] = uint8_t(pattern[i]);
        bytes[2 * i + 1] = uint8_t(pattern[i] >> 8);
    }
    return bytes;
}
Bytes Record(const std::wstring& pattern, uint8_t transparency, uint32_t size = 527)
{
    return U32(size) + Pattern(pattern) + Bytes{transparency};
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
    bool Load(const Bytes& image)
    {
        m_settings.Reset();
        m_list.Clear();
        EXPECT_TRUE(WriteWholeFile(m_path, image));
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
    const Bytes two = Head() + U32(2) + Record(L"*Mail?", 75) + Record(L"C:\\Windows\\notepad.exe", 0);
    ASSERT_EQ(1103u, two.size());
    EXPECT_EQ(two, Saved());

    // The shorter file keeps nothing of the longer one, and no temporary file is left. The old
    // file is replaced, never rewritten in place (which a crash could leave half written): a
    // second link to it keeps the old contents.
    const std::wstring link = m_folder.File(L"old.lnk");
    ASSERT_TRUE(CreateHardLinkW(link.c_str(), m_path.c_str(), nullptr));
    m_list.Clear();
    ASSERT_TRUE(SaveDataFile(m_path.c_str(), m_settings, m_list));
    Bytes old;
    EXPECT_TRUE(ReadWholeFile(link, old) && old == two);
    DeleteFileW(link.c_str());
    ASSERT_EQ(49u, (Head() + U32(0)).size());
    EXPECT_EQ(Head() + U32(0), Saved());
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
    const Bytes rest = SettingsRecord(33) + U32(0);
    const struct {
        const char* name;
        Bytes image;
        bool accepted;
    } cases[] = {
        {"bytes 5-15 may hold anything", Bytes{'P', 'V', '0', '1', 0} + Bytes(11, 7) + rest, true},
        {"byte 4 not zero", Bytes{'P', 'V', '0', '1', 1} + Bytes(11, 0) + rest, false},
        {"wrong magic", Bytes{'P', 'V', '0', '2'} + Bytes(12, 0) + rest, false},
        {"lower-case magic", Bytes{'p', 'v', '0', '1'} + Bytes(12, 0) + rest, false},
        {"shorter than the magic", Bytes{'P', 'V', '0'}, false},
        {"empty file", Bytes(), false},
    };
    for (const auto& c : cases) {
        m_list.Clear();
        ASSERT_TRUE(m_list.AddFilter(L"kept", 5));
        m_settings.Reset();
        EXPECT_TRUE(WriteWholeFile(m_path, c.image));
        EXPECT_EQ(c.accepted, LoadDataFile(m_path.c_str(), m_settings, m_list)) << c.name;
        // Nothing is taken from a rejected file; an accepted one replaces the list.
        EXPECT_EQ(c.accepted ? SettingsRecord(33) : BytesOf(m_defaults), BytesOf(m_settings)) << c.name;
        EXPECT_EQ((c.accepted ? Entries() : Entries{{L"kept", 5}}), ListEntries(m_list)) << c.name;
    }
}

TEST_F(DataFileTest, SettingsRecordsOfOtherLengthsAndCutShort)
{
    const Bytes defaults = BytesOf(m_defaults);
    const Bytes record = SettingsRecord(33);
    const Bytes body(record.begin() + 4, record.end());
    const struct {
        const char* name;
        Bytes image;
        bool loads;
        Bytes settings;   // the 29 bytes after loading
        Entries list;
    } cases[] = {
        {"13 bytes: flags and hotkey, no digest", kHeader + U32(13) + Cut(body, 9) + U32(1) + Record(L"f", 9), true,
         U32(29) + Cut(body, 9) + Bytes(16, 0), {{L"f", 9}}},
        {"40 bytes: 11 extra skipped, count at offset 56", kHeader + U32(40) + body + Bytes(11, 9) + U32(1) +
         Record(L"f", 9), true, SettingsRecord(33), {{L"f", 9}}},
        {"stored length 2 counts as 29", kHeader + U32(2) + body + U32(0), true, SettingsRecord(33), {}},
        {"4 bytes: only the length", kHeader + U32(4) + U32(0), true, defaults, {}},
        {"stored length 0 is refused", kHeader + U32(0) + body + U32(0), false, defaults, {}},
        {"global transparency 100 loads as 40", Head(100) + U32(0), true, SettingsRecord(40), {}},
        {"global transparency 99 is kept", Head(99) + U32(0), true, SettingsRecord(99), {}},
        // Cut off inside the record: what was read stays, and is brought into range.
        {"cut after autoStart", Cut(Head(), 23), false, U32(29) + Bytes{33, 1, 0} + Bytes(22, 0), {}},
        {"cut after hideTrayIcon, global 200", Cut(Head(200), 22), false, U32(29) + Bytes{40, 1} + Bytes(23, 0), {}},
        {"cut inside the length", kHeader + Bytes{29, 0}, false, defaults, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.loads, Load(c.image)) << c.name;
        EXPECT_EQ(c.settings, BytesOf(m_settings)) << c.name;
        EXPECT_EQ(c.list, ListEntries(m_list)) << c.name;
    }
}

TEST_F(DataFileTest, FilterRecordsOfOtherLengths)
{
    const std::wstring fifty = L"0123456789abcdefghijABCDEFGHIJ0123456789abcdefghij";
    const struct {
        const char* name;
        uint32_t count;
        Bytes records;
        Entries expected;
    } cases[] = {
        {"527 + 8: extra bytes skipped", 2, Record(L"long", 20, 535) + Bytes(8, 7) + Record(L"next", 30),
         {{L"long", 20}, {L"next", 30}}},
        {"100: first 48 characters, transparency 40", 2, U32(100) + Pattern(fifty, 48) + Record(L"next", 30),
         {{fifty.substr(0, 48), 40}, {L"next", 30}}},
        {"3 counts as 527", 1, Record(L"three", 12, 3), {{L"three", 12}}},
        {"transparency 255 loads as 40", 2, Record(L"hot", 255) + Record(L"zero", 0), {{L"hot", 40}, {L"zero", 0}}},
        {"unit 261 forced to NUL", 1, Record(std::wstring(261, L'q'), 10), {{std::wstring(260, L'q'), 10}}},
        {"a repeated pattern keeps the first", 3, Record(L"Same", 10) + Record(L"other", 20) + Record(L"SAME", 30),
         {{L"Same", 10}, {L"other", 20}}},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(Load(Head() + U32(c.count) + c.records)) << c.name;
        EXPECT_EQ(c.expected, ListEntries(m_list)) << c.name;
    }
}

TEST_F(DataFileTest, AnUnreadableFilterRecordEmptiesTheListButKeepsTheSettings)
{
    const Bytes good = Record(L"good", 10);
    const struct {
        const char* name;
        Bytes afterSettings;
    } cases[] = {
        {"empty pattern", U32(2) + good + Record(L"", 20)},
        {"stored length 0", U32(2) + good + Record(L"x", 1, 0)},
        {"record cut short", U32(2) + good + Cut(Record(L"cut", 20), 300)},
        {"fewer records than counted", U32(3) + good + Record(L"also", 20)},
        {"count cut short", Bytes{2, 0}},
        // A length near 4 GB must move forward past the end, not backwards over earlier records.
        {"huge stored length", U32(3) + Record(L"huge", 10, 0xFFFFFFF0u) + good},
        {"length just above 2 GB", U32(3) + Record(L"big", 10, 0x80000000u + 527) + good},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(Load(Head() + c.afterSettings)) << c.name;
        EXPECT_TRUE(ListEntries(m_list).empty()) << c.name;
        EXPECT_EQ(SettingsRecord(33), BytesOf(m_settings)) << c.name;
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

TEST_F(DataFileTest, PathComposedUnderDocumentsWithRoomForTheTemporaryFile)
{
    wchar_t documents[MAX_PATH + 1] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, documents, CSIDL_PERSONAL, FALSE));
    wchar_t path[kPathCapacity];
    ASSERT_TRUE(BuildDataFilePath(path));
    EXPECT_EQ(std::wstring(documents) + L"\\Kestro\\Paneveil\\Paneveil.dat", path);
    const DWORD attributes = GetFileAttributesW((std::wstring(documents) + L"\\Kestro\\Paneveil").c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));

    // The data folder may be at most MAX_PATH - 14 = 246 characters (GetTempFileNameW's limit).
    for (size_t folderLength : {246, 247, 260}) {
        const std::wstring name(folderLength - 17 - m_folder.Path().size(), L'd');
        const std::wstring folder = m_folder.File(name.c_str());
        const std::wstring dataFolder = folder + L"\\Kestro\\Paneveil";
        ASSERT_EQ(folderLength, dataFolder.size());
        std::memset(path, 0xCC, sizeof(path));
        const bool composed = ComposeDataFilePath(folder.c_str(), path);
        EXPECT_EQ(folderLength == 246, composed) << folderLength;
        if (composed) {
            EXPECT_EQ(dataFolder + L"\\Paneveil.dat", path);
            // The whole round of a save works at this length.
            EXPECT_TRUE(SaveDataFile(path, m_settings, m_list));
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
