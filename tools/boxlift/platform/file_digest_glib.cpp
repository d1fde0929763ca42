#include <glib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>

#include "platform/file_digest.h"
#include "platform/file_io.h"

namespace boxlift {

std::string FileSha256(const std::filesystem::path& file) {
    std::unique_ptr<GChecksum, decltype(&g_checksum_free)> checksum(
        g_checksum_new(G_CHECKSUM_SHA256), &g_checksum_free);
    InputFile input(file);
    std::array<std::uint8_t, 1 << 20> buffer;
    while (std::size_t count = input.Read(buffer))
        g_checksum_update(checksum.get(), buffer.data(), static_cast<gssize>(count));
    std::string hex = g_checksum_get_string(checksum.get());
    std::ranges::transform(hex, hex.begin(), [](unsigned char c) { return std::toupper(c); });
    return hex;
}

}  // namespace boxlift
