// How the simulated instrument writes down the host's bytes for tests and traces: " 47 45 53 49 0D" after a
// word that says what happened ("send", "write", "host"), one event a line.
#pragma once

#include <cstddef>
#include <string>

// Each byte as a space and two hexadecimal digits.
std::string HexBytes(const void* bytes, std::size_t length);
// The bytes of every "host ..." line of a fetchwell-sim trace, in order; other lines are skipped.
std::string HostBytesInTrace(const std::string& trace);
