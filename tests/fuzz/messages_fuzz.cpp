// The disk-space message as the launcher builds and logs it: the template
// expanded, then formatted into an error.log line with the title as its
// caption. Both must match the format they follow, byte for byte.
//
// Input: drive (1 byte), spaceRequired (u64), code (i32), year, month, day,
// hour, minute (u16 each, as the platform's clock gives them), then the
// caption, a NUL and the template.
#include <cassert>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "memory_hook.h"
#include "ui/log_line.h"
#include "ui/message_template.h"

namespace {

template <typename T>
T Take(const uint8_t*& data) {
    T value;
    std::memcpy(&value, data, sizeof value);
    data += sizeof value;
    return value;
}

std::string Expected(const std::string& text, char drive, uint64_t spaceRequired) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        if (text.compare(i, 11, "%ofd_drive%") == 0) {
            out += drive;
            i += 11;
        } else if (text.compare(i, 11, "%fd_mbytes%") == 0) {
            out += std::to_string(int32_t(uint32_t(spaceRequired >> 20) + 1u));
            i += 11;
        } else {
            out += text[i++];
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const size_t header = 1 + 8 + 4 + 5 * 2;
    if (size < header) return 0;
    const uint8_t* end = data + size;
    char drive = Take<char>(data);
    if (drive == 0) return 0;  // the first character of targetDir, never its NUL
    uint64_t spaceRequired = Take<uint64_t>(data);
    int32_t code = Take<int32_t>(data);
    LogTime time;
    for (int32_t* field : {&time.year, &time.month, &time.day, &time.hour, &time.minute})
        *field = Take<uint16_t>(data);
    const uint8_t* nul = static_cast<const uint8_t*>(std::memchr(data, 0, end - data));
    const std::string caption(data, nul ? nul : end);
    const std::string messageTemplate(nul ? nul + 1 : end, end);

    char* text = ExpandTemplate(messageTemplate.c_str(), drive, spaceRequired);
    assert(text && text == Expected(messageTemplate.c_str(), drive, spaceRequired));

    // The line buffer has exactly the capacity the launcher takes.
    uint32_t capacity = LogLineCapacity(caption.c_str(), text);
    std::unique_ptr<char[]> line(new char[capacity]);
    uint32_t length = FormatLogLine(line.get(), time, caption.c_str(), text, code);
    std::string expected(capacity, 0);
    expected.resize(std::snprintf(expected.data(), capacity,
                                  "INSTALLATION ERROR: %04d/%02d/%02d %02d:%02d - %s - %s | %d\r\n",
                                  time.year, time.month, time.day, time.hour, time.minute,
                                  caption.c_str(), text, code));
    assert(length <= capacity && std::string(line.get(), length) == expected);
    FreeBytes(text);
    return 0;
}
