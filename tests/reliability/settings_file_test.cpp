// The report folder setting over the real QSettings store, with the settings file damaged in every way a disk
// or a hand edit can damage it: the folder in use is then the default, and nothing crashes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "platform/qt/qsettings_store.h"
#include "settings/report_folder.h"
#include "settings/setting_store.h"
#include "shared_state.h"
#include "temp_folder.h"

namespace {

const std::string kDefault = "/home/technician/ZT914reports";

// QSettings finds its file through XDG_CONFIG_HOME once per process, so one folder serves every case; each
// case lays its own settings file there. Where the store keeps its file is learnt from the store itself.
class SettingsFileTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        configHome = new TempFolder;
        setenv("XDG_CONFIG_HOME", configHome->Path().c_str(), 1);
        QSettingsStore first;
        InstallSettingStore(&first);
        LoadReportFolder();  // a first start writes the file
        for (const auto& entry : std::filesystem::recursive_directory_iterator(configHome->Path())) {
            if (entry.is_regular_file()) {
                settingsFile = entry.path();
            }
        }
    }
    static void TearDownTestSuite() {
        delete configHome;
        configHome = nullptr;
    }
    void SetUp() override {
        ASSERT_FALSE(settingsFile.empty()) << "a first start wrote no settings file below XDG_CONFIG_HOME";
        InstallSettingStore(&store);
        SetDefaultReportFolder(kDefault.c_str());
        Fresh();
    }
    void TearDown() override { Unlock(); }

    // No settings file, and the folder buffer full of rubbish.
    static void Fresh() {
        Unlock();
        std::error_code ignored;
        std::filesystem::remove_all(Folder(), ignored);
        std::memset(reportFolder, 'z', sizeof reportFolder);
    }
    static void Unlock() {
        std::error_code ignored;
        std::filesystem::permissions(File(), std::filesystem::perms::owner_all, ignored);
        std::filesystem::permissions(Folder(), std::filesystem::perms::owner_all, ignored);
    }
    static std::filesystem::path Folder() { return settingsFile.parent_path(); }
    static std::filesystem::path File() { return settingsFile; }
    static void WriteFile(const std::string& bytes) {
        std::filesystem::create_directories(Folder());
        TempFolder::Write(File(), bytes);
        // QSettings reuses a file it parsed before when its size and time are unchanged: give each its own
        // time.
        static int laid = 0;
        std::filesystem::last_write_time(
            File(), std::filesystem::file_time_type::clock::now() + std::chrono::seconds(++laid));
    }
    static std::string Loaded() {
        LoadReportFolder();
        EXPECT_LT(std::strlen(reportFolder), sizeof reportFolder) << "the folder text ends inside its buffer";
        return reportFolder;
    }

    static TempFolder* configHome;
    static std::filesystem::path settingsFile;
    QSettingsStore store;
};
TempFolder* SettingsFileTest::configHome = nullptr;
std::filesystem::path SettingsFileTest::settingsFile;

struct DamagedFile {
    const char* name;
    std::function<void()> lay;  // puts the damaged settings file in place
    std::string expected;       // the folder loaded from it
    bool storable = true;       // a folder saved afterwards is there at the next start
};

std::string Garbage(std::size_t bytes) {
    std::string garbage(bytes, '\0');
    unsigned state = 12345;
    for (char& byte : garbage) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 16);
    }
    return garbage;
}

TEST_F(SettingsFileTest, ADamagedSettingsFileGivesTheDefaultFolder) {
    const DamagedFile cases[] = {
        {"binary garbage", [] { WriteFile(Garbage(4096)); }, kDefault},
        {"a section that never closes", [] { WriteFile("[General\nfilepath=/data/reports\n"); }, kDefault},
        {"huge garbage, 8 MiB", [] { WriteFile(Garbage(8u << 20)); }, kDefault},
        {"a value too long for the folder buffer",
         [] { WriteFile("[General]\nfilepath=/" + std::string(2000, 'x') + "\n"); }, kDefault},
        {"a serialised value of another type",
         [] {
             WriteFile(
                 "[General]\nfilepath=@Variant(\\0\\0\\0\\x13\\0\\0\\0\\x1\\0\\0\\0\\x2\\0\\0\\0\\x3)\n");
         },
         kDefault},
        {"the settings file is a folder", [] { std::filesystem::create_directories(File()); }, kDefault,
         false},
        {"the settings folder is a file", [] { TempFolder::Write(Folder(), "not a folder"); }, kDefault,
         false},
        {"the settings file links to itself",
         [] {
             std::filesystem::create_directories(Folder());
             std::filesystem::create_symlink(File(), File());
         },
         kDefault, false},
        {"an empty file", [] { WriteFile(""); }, kDefault},
        {"another key only", [] { WriteFile("[General]\nfolder=/data/reports\n"); }, kDefault},
        // Sound files around the damaged ones: the stored folder is used as it stands.
        {"a sound file", [] { WriteFile("[General]\nfilepath=/data/reports\n"); }, "/data/reports"},
        {"1023 characters, the most the folder holds",
         [] { WriteFile("[General]\nfilepath=/" + std::string(1022, 'y') + "\n"); },
         "/" + std::string(1022, 'y')},
        {"a folder with a comma, stored quoted", [] { WriteFile("[General]\nfilepath=\"/data/a, b\"\n"); },
         "/data/a, b"},
    };
    for (const DamagedFile& c : cases) {
        Fresh();
        c.lay();
        EXPECT_EQ(Loaded(), c.expected) << c.name;
        // The load replaced a file it could not use, so the user's next choice is kept where it can be.
        std::strcpy(reportFolder, "/data/chosen");
        SaveReportFolder();
        EXPECT_EQ(Loaded(), c.storable ? "/data/chosen" : kDefault) << c.name << ", saved afterwards";
    }
}

// Root reads every file, so as root the load runs as an ordinary user for a moment.
class AsOrdinaryUser {
  public:
    AsOrdinaryUser() : switched_(geteuid() == 0 && seteuid(kNobody) == 0) {}
    ~AsOrdinaryUser() {
        if (switched_ && seteuid(0) != 0) {
            std::abort();  // the rest of the tests must not run with another user's rights
        }
    }
    AsOrdinaryUser(const AsOrdinaryUser&) = delete;
    AsOrdinaryUser& operator=(const AsOrdinaryUser&) = delete;
    bool Ordinary() const { return geteuid() != 0; }

  private:
    static constexpr uid_t kNobody = 65534;
    bool switched_;
};

TEST_F(SettingsFileTest, AFileTheUserCannotReadGivesTheDefaultAndIsLeftAsItWas) {
    const std::string stored = "[General]\nfilepath=/data/reports\n";
    WriteFile(stored);
    std::filesystem::permissions(File(), std::filesystem::perms::none);
    for (std::filesystem::path up = Folder(); up != configHome->Path().parent_path(); up = up.parent_path()) {
        std::filesystem::permissions(up, std::filesystem::perms::others_exec,
                                     std::filesystem::perm_options::add);
    }
    std::string loaded;
    {
        AsOrdinaryUser user;
        if (!user.Ordinary()) {
            GTEST_SKIP() << "no ordinary user to read the file as";
        }
        loaded = Loaded();
    }
    EXPECT_EQ(loaded, kDefault);
    Unlock();
    EXPECT_EQ(TempFolder::Read(File()), stored);
}

TEST_F(SettingsFileTest, NoSettingsFileIsCreatedWithTheDefault) {
    EXPECT_EQ(Loaded(), kDefault);
    std::strcpy(reportFolder, "/data/chosen");
    SaveReportFolder();
    EXPECT_EQ(Loaded(), "/data/chosen");
}

}  // namespace
