// Reading the stand-in's settings.
#include "sim/ftd2xx_standin/standin_config.h"

#include <cstdlib>
#include <sstream>

namespace {

bool ParseHexBytes(std::istringstream& words, std::string* bytes) {
    bytes->clear();
    std::string word;
    while (words >> word) {
        if (word == "none") {
            continue;
        }
        char* end = nullptr;
        unsigned long value = std::strtoul(word.c_str(), &end, 16);
        if (*end != '\0' || value > 0xFF) {
            return false;
        }
        bytes->push_back(static_cast<char>(value));
    }
    return true;
}

bool ParseLine(const std::string& line, StandinConfig* config) {
    std::istringstream words(line);
    std::string key;
    if (!(words >> key) || key[0] == '#') {
        return true;
    }
    FaultPlan& faults = config->faults;
    if (key == "reports") {
        std::string kind;
        words >> kind;
        if (kind == "sample") {
            config->reports = SampleReports();
        } else if (kind == "none") {
            config->reports.clear();
        } else if (kind == "generated") {
            std::size_t count = 0;
            std::size_t bytes = 0;
            if (!(words >> count >> bytes)) {
                return false;
            }
            config->reports = GeneratedReports(count, bytes);
        } else {
            return false;
        }
        return true;
    }
    if (key == "chunk-size") {
        return static_cast<bool>(words >> config->chunkSize);
    }
    if (key == "pace") {
        return static_cast<bool>(words >> config->pace);
    }
    if (key == "silent-from-byte") {
        return static_cast<bool>(words >> faults.silentFromByte);
    }
    if (key == "pause-before-byte") {
        return static_cast<bool>(words >> faults.pauseBeforeByte >> faults.pauseMs);
    }
    if (key == "fail-at-byte") {
        return static_cast<bool>(words >> faults.failAtByte);
    }
    if (key == "erase-reply") {
        return ParseHexBytes(words, &faults.eraseReply);
    }
    if (key == "no-device") {
        config->noDevice = true;
        return true;
    }
    if (key == "log") {
        std::getline(words >> std::ws, config->logPath);
        return !config->logPath.empty();
    }
    return false;
}

}  // namespace

bool ParseStandinConfig(const std::string& text, StandinConfig* config, std::string* error) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!ParseLine(line, config)) {
            *error = line;
            return false;
        }
    }
    return true;
}
