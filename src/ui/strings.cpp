// The string table, built from the same list as the Windows resource script.
#include "ui/strings.h"

#include <cstring>

const char* StringTableText(int textId) {
    switch (textId) {
#define FETCHWELL_STRING(id, text) \
    case id:                       \
        return text;
#include "ui/strings.inc"
#undef FETCHWELL_STRING
        default:
            return nullptr;
    }
}

int LoadTableText(int textId, char* buffer, int capacity) {
    if (capacity <= 0) {
        return 0;
    }
    const char* text = StringTableText(textId);
    std::size_t length = text == nullptr ? 0 : std::strlen(text);
    std::size_t room = static_cast<std::size_t>(capacity) - 1;
    if (length > room) {
        length = room;
    }
    std::memcpy(buffer, text == nullptr ? "" : text, length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}
