// What crosses the link between the host and the ZT914: commands, control bytes, sizes and time limits.
#pragma once

// Commands, host to instrument: four capital letters and a carriage return, no terminating zero on the wire.
inline constexpr char CMD_GET_INFO[] = "GESI\r";
inline constexpr char CMD_DOWNLOAD[] = "RPDL\r";
inline constexpr char CMD_ERASE[] = "EREC\r";
inline constexpr unsigned COMMAND_LENGTH = 5;

// Control bytes, host to instrument.
inline constexpr int NEXT_CHUNK = 0x43;  // 'C': ask for a chunk, or acknowledge a finished report
inline constexpr int ABORT_BYTE = 0x58;  // 'X': in place of a chunk request, to stop

// Control bytes, instrument to host.
inline constexpr int REPORT_START = 0x03;   // ETX: a report follows, name first
inline constexpr int CHUNK_END = 0x00;      // NUL: ends a name or a chunk
inline constexpr int END_OF_REPORT = 0x0C;  // FF: anywhere in a chunk, this chunk is the report's last
inline constexpr int ERASE_ACK = 0x2A;      // '*': the erase command is accepted

// Sizes.
inline constexpr unsigned INFO_BLOCK_SIZE = 264;
inline constexpr unsigned REPORT_COUNT_OFFSET = 260;  // unsigned 16-bit, little-endian
inline constexpr unsigned REPORT_NAME_MAX = 32;       // name bytes read at most, terminating zero included
inline constexpr unsigned CHUNK_MAX = 2048;           // chunk bytes read at most, terminating zero included

// Time limits in milliseconds.
inline constexpr unsigned INFO_BLOCK_TIMEOUT_MS = 500;    // all 264 bytes together
inline constexpr unsigned REPORT_START_TIMEOUT_MS = 800;  // each byte up to REPORT_START
inline constexpr unsigned NAME_BYTE_TIMEOUT_MS = 500;     // each name byte
inline constexpr unsigned CHUNK_BYTE_TIMEOUT_MS = 500;    // each chunk byte
inline constexpr unsigned ERASE_ACK_TIMEOUT_MS = 800;     // the first byte after CMD_ERASE
inline constexpr unsigned ERASE_TRAILING_MS = 50;         // one optional byte after ERASE_ACK
inline constexpr unsigned ABORT_PAUSE_MS = 100;           // after ABORT_BYTE on cancel, before closing
