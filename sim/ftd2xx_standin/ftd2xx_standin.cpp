// A stand-in for FTDI's FTD2XX.DLL, for tests only: device 0 is the simulated instrument, on the real clock.
// Every FT_Open starts a fresh instrument from the settings file named by FETCHWELL_STANDIN (see
// standin_config.h); without it, the instrument holds the sample reports.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "platform/windows/ftd2xx_api.h"
#include "sim/byte_trace.h"
#include "sim/ftd2xx_standin/standin_config.h"
#include "sim/instrument.h"

namespace {

constexpr FT_STATUS FT_DEVICE_NOT_FOUND = 2;
constexpr FT_STATUS FT_DEVICE_NOT_OPENED = 3;
constexpr FT_STATUS FT_IO_ERROR = 4;
constexpr FT_STATUS FT_INVALID_PARAMETER = 6;

struct Session {
    SimInstrument instrument;
    std::string logPath;
};

std::unique_ptr<Session> session;

void Log(const std::string& line) {
    if (session == nullptr || session->logPath.empty()) {
        return;
    }
    if (std::FILE* log = std::fopen(session->logPath.c_str(), "ab")) {
        std::fprintf(log, "%s\n", line.c_str());
        std::fclose(log);
    }
}

std::string ReadSettingsFile(bool* readable) {
    *readable = true;
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("FETCHWELL_STANDIN", path, sizeof path);
    if (length == 0) {
        return "";
    }
    std::FILE* file = length < sizeof path ? std::fopen(path, "rb") : nullptr;
    if (file == nullptr) {
        *readable = false;
        return "";
    }
    std::string text;
    char buffer[512];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        text.append(buffer, got);
    }
    std::fclose(file);
    return text;
}

Session* Find(FT_HANDLE handle) {
    return session != nullptr && handle == session.get() ? session.get() : nullptr;
}

}  // namespace

extern "C" {

FT_STATUS WINAPI FT_Open(int deviceNumber, FT_HANDLE* handle) {
    if (handle == nullptr) {
        return FT_INVALID_PARAMETER;
    }
    bool readable = false;
    std::string text = ReadSettingsFile(&readable);
    StandinConfig config;
    std::string error;
    if (!readable || !ParseStandinConfig(text, &config, &error)) {
        // A broken test setup shows as an absent instrument; the reason goes to the console of the test.
        std::fprintf(stderr, "FTD2XX stand-in: %s\n",
                     readable ? ("cannot read: " + error).c_str() : "no settings");
        return FT_DEVICE_NOT_FOUND;
    }
    if (deviceNumber != 0 || config.noDevice || session != nullptr) {
        return FT_DEVICE_NOT_FOUND;
    }
    session = std::make_unique<Session>();
    session->logPath = config.logPath;
    session->instrument.SetReports(config.reports);
    session->instrument.SetChunkSize(config.chunkSize);
    session->instrument.SetPace(config.pace);
    session->instrument.SetFaults(config.faults);
    *handle = session.get();
    Log("open");
    return FT_OK;
}

FT_STATUS WINAPI FT_Close(FT_HANDLE handle) {
    Session* open = Find(handle);
    if (open == nullptr) {
        return FT_DEVICE_NOT_OPENED;
    }
    Log(std::string("close") + (open->instrument.Erased() ? " erased" : "") +
        (open->instrument.Aborted() ? " aborted" : ""));
    session.reset();
    return FT_OK;
}

FT_STATUS WINAPI FT_Write(FT_HANDLE handle, LPVOID source, DWORD length, LPDWORD written) {
    Session* open = Find(handle);
    if (open == nullptr || written == nullptr) {
        return FT_INVALID_PARAMETER;
    }
    if (open->instrument.Unplugged()) {
        return FT_IO_ERROR;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(source);
    Log("write" + HexBytes(bytes, length));
    open->instrument.Receive(bytes, length, GetTickCount());
    *written = length;
    return FT_OK;
}

FT_STATUS WINAPI FT_Read(FT_HANDLE handle, LPVOID destination, DWORD length, LPDWORD returned) {
    Session* open = Find(handle);
    if (open == nullptr || returned == nullptr) {
        return FT_INVALID_PARAMETER;
    }
    if (open->instrument.Unplugged()) {
        return FT_IO_ERROR;
    }
    *returned = static_cast<DWORD>(
        open->instrument.Take(static_cast<std::uint8_t*>(destination), length, GetTickCount()));
    return FT_OK;
}

FT_STATUS WINAPI FT_GetQueueStatus(FT_HANDLE handle, LPDWORD queued) {
    Session* open = Find(handle);
    if (open == nullptr || queued == nullptr) {
        return FT_INVALID_PARAMETER;
    }
    if (open->instrument.Unplugged()) {
        return FT_IO_ERROR;
    }
    *queued = static_cast<DWORD>(open->instrument.Available(GetTickCount()));
    return FT_OK;
}

}  // extern "C"
