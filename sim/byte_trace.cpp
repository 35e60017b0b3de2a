// Writing and reading the host's bytes in traces.
#include "sim/byte_trace.h"

#include <cstdio>
#include <sstream>

std::string HexBytes(const void* bytes, std::size_t length) {
    const auto* source = static_cast<const unsigned char*>(bytes);
    std::string text;
    text.reserve(length * 3);
    for (std::size_t i = 0; i < length; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", source[i]);
        text += hex;
    }
    return text;
}

std::string HostBytesInTrace(const std::string& trace) {
    std::string bytes;
    std::istringstream lines(trace);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("host ", 0) != 0) {
            continue;
        }
        std::istringstream hex(line.substr(5));
        for (unsigned value = 0; hex >> std::hex >> value;) {
            bytes.push_back(static_cast<char>(value));
        }
    }
    return bytes;
}
