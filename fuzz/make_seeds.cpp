// Writes the seed corpus: a few whole exchanges that end in each of the ways a download can end, so the
// fuzzer starts from inputs that reach deep into the run. Usage: fetchwell-fuzz-seeds FOLDER
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "download/protocol.h"
#include "download_scenario.h"

namespace {

DownloadScenario SampleDownload() {
    DownloadScenario s;
    s.reports = SampleReports();
    return s;
}

std::uint64_t FirstReportHead() {
    return INFO_BLOCK_SIZE + 1 + SampleReports()[0].name.size() + 1;
}

std::vector<std::pair<std::string, DownloadScenario>> Seeds() {
    std::vector<std::pair<std::string, DownloadScenario>> seeds;
    auto add = [&seeds](const char* name, DownloadScenario s) { seeds.emplace_back(name, std::move(s)); };

    add("erase-declined", SampleDownload());
    {
        DownloadScenario s = SampleDownload();
        s.eraseFirstYes = s.eraseSecondYes = true;
        add("erase-acknowledged", s);
    }
    {
        DownloadScenario s;
        s.reports = GeneratedReports(4, 1500);
        s.chunkSize = 64;
        s.pollingDriver = true;
        s.bytesPerSecond = 960;
        s.clockStart = 0xFFFFF000u;  // the tick count wraps during the run
        s.eraseFirstYes = true;
        add("paced-small-chunks-polling", s);
    }
    {
        DownloadScenario s = SampleDownload();
        s.chunkSize = 128;
        s.cancelAtCheck = 3;
        s.earlierFiles = true;
        add("cancel-mid-report-over-earlier-files", s);
    }
    {
        DownloadScenario s = SampleDownload();
        s.relativeFolder = true;
        s.faults.silentFromByte = FirstReportHead() + 100;
        add("relative-folder-cut-short", s);
    }
    {
        DownloadScenario s = SampleDownload();
        s.fileSizeLimit = 300;
        s.chunkSize = 128;
        s.eraseFirstYes = s.eraseSecondYes = true;
        add("file-size-limit", s);
    }
    {
        DownloadScenario s = SampleDownload();
        s.faults.announcedCount = 65535;
        add("count-beyond-reports", s);
    }
    {
        DownloadScenario s = SampleDownload();
        s.faults.failAtByte = FirstReportHead() + 30;
        add("unplugged-mid-chunk", s);
    }
    {
        DownloadScenario s = SampleDownload();
        s.removeFolderAtCheck = 4;
        add("folder-removed", s);
    }
    {
        DownloadScenario s;
        s.reports = {{"A.B/C:D*E?F\"G<H>I|J\\K", "odd name\r\n\f"},
                     {std::string(31, 'L'), "tail after\fthe form feed"},
                     {"", "\f"},
                     {"BIG", std::string(2048, 'b') + "rest\f"}};
        s.chunkSize = 4096;
        s.faults.junkBeforeStart = "\r\n*junk*";
        s.faults.infoBlockSize = 300;
        s.faults.eraseReply = "*";
        s.eraseFirstYes = s.eraseSecondYes = true;
        add("odd-names-long-chunks-junk", s);
    }
    {
        DownloadScenario s = SampleDownload();
        s.failSyncAt = 2;
        s.eraseFirstYes = s.eraseSecondYes = true;
        add("sync-refused", s);
    }
    {
        DownloadScenario s = SampleDownload();
        s.faults.eraseReply = "?";
        s.eraseFirstYes = s.eraseSecondYes = true;
        add("erase-not-acknowledged", s);
    }
    return seeds;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    std::filesystem::create_directories(argv[1]);
    for (const auto& [name, scenario] : Seeds()) {
        std::vector<std::uint8_t> bytes = EncodeScenario(scenario);
        std::filesystem::path path = std::filesystem::path(argv[1]) / name;
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
            std::fclose(file) != 0) {
            std::perror(path.c_str());
            return 1;
        }
    }
    return 0;
}
