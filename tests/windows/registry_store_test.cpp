// The setting store on Windows, on a registry key of the test's own below HKEY_CURRENT_USER, alone and under
// the report-folder logic.
#include "platform/windows/registry_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "settings/report_folder.h"
#include "shared_state.h"

namespace {

class RegistryStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        keyPath_ = "Software\\Quillfen\\FetchwellTest-" + std::to_string(GetCurrentProcessId());
        RegDeleteTreeA(HKEY_CURRENT_USER, keyPath_.c_str());
        store_ = std::make_unique<RegistryStore>(keyPath_.c_str());
        InstallSettingStore(store_.get());
    }
    void TearDown() override {
        store_.reset();
        RegDeleteTreeA(HKEY_CURRENT_USER, keyPath_.c_str());
    }

    // The stored "filepath" as the registry holds it: its type and its bytes.
    bool Stored(DWORD* type, std::string* bytes) {
        char data[4096];
        DWORD size = sizeof data;
        if (RegGetValueA(HKEY_CURRENT_USER, keyPath_.c_str(), "filepath", RRF_RT_ANY | RRF_NOEXPAND, type,
                         data, &size) != ERROR_SUCCESS) {
            return false;
        }
        bytes->assign(data, size);
        return true;
    }
    void Store(DWORD type, const std::string& bytes) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, keyPath_.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, "filepath", 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                       static_cast<DWORD>(bytes.size()));
        RegCloseKey(key);
    }

    std::string keyPath_;
    std::unique_ptr<RegistryStore> store_;
};

TEST_F(RegistryStoreTest, OpensOnlyAKeyThatExistsAndCreatesItOtherwise) {
    EXPECT_FALSE(store_->OpenKey());
    EXPECT_TRUE(store_->CreateKey());
    store_->CloseKey();
    EXPECT_TRUE(store_->OpenKey());
    store_->CloseKey();
}

TEST_F(RegistryStoreTest, WritesATextValueAndReadsItBack) {
    ASSERT_TRUE(store_->CreateKey());
    const char folder[] = "D:\\Safety tests\\2026";
    store_->WriteValue(folder, sizeof folder);
    store_->CloseKey();

    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(Stored(&type, &bytes));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(bytes, std::string(folder, sizeof folder));

    ASSERT_TRUE(store_->OpenKey());
    char read[REPORT_FOLDER_SIZE] = {};
    EXPECT_TRUE(store_->ReadValue(read, sizeof read));
    EXPECT_STREQ(read, folder);
    store_->CloseKey();
}

TEST_F(RegistryStoreTest, AMissingOrOversizedValueIsNotRead) {
    ASSERT_TRUE(store_->CreateKey());
    char read[16] = {};
    EXPECT_FALSE(store_->ReadValue(read, sizeof read));
    std::string longer(40, 'x');
    store_->WriteValue(longer.c_str(), static_cast<unsigned>(longer.size() + 1));
    EXPECT_FALSE(store_->ReadValue(read, sizeof read));
    store_->CloseKey();
}

TEST_F(RegistryStoreTest, FirstStartStoresTheDefaultFolder) {
    LoadReportFolder();
    EXPECT_STREQ(reportFolder, "C:\\ZT914reports");
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(Stored(&type, &bytes));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(bytes, std::string("C:\\ZT914reports", sizeof "C:\\ZT914reports"));
}

TEST_F(RegistryStoreTest, EverySaveIsWhatTheNextStartShows) {
    LoadReportFolder();
    for (const char* folder : {"E:\\reports", "", "relative\\folder"}) {
        SCOPED_TRACE(folder);
        std::snprintf(reportFolder, sizeof reportFolder, "%s", folder);
        SaveReportFolder();
        std::memset(reportFolder, '?', sizeof reportFolder);
        LoadReportFolder();
        EXPECT_STREQ(reportFolder, folder);
    }
}

TEST_F(RegistryStoreTest, ReadsStoredValuesAsTheirBytesWhateverTheirType) {
    struct Case {
        const char* name;
        DWORD type;
        std::string bytes;
        const char* folder;
    };
    const Case cases[] = {
        {"binary without a terminator", REG_BINARY, "F:\\raw", "F:\\raw"},
        {"text without a terminator", REG_SZ, std::string("G:\\cut", 6), "G:\\cut"},
        {"larger than the folder buffer", REG_SZ, std::string(REPORT_FOLDER_SIZE + 10, 'y'),
         "C:\\ZT914reports"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        Store(test.type, test.bytes);
        LoadReportFolder();
        EXPECT_STREQ(reportFolder, test.folder);
    }
}

}  // namespace
