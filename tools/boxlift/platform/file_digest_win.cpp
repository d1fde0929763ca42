#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <bcrypt.h>

#include <array>
#include <cstdio>

#include "base/error.h"
#include "platform/file_digest.h"
#include "platform/file_io.h"

namespace boxlift {
namespace {

// The algorithm and a hash on it, closed again in reverse.
struct Sha256Hash {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    ~Sha256Hash() {
        if (hash) BCryptDestroyHash(hash);
        if (algorithm) BCryptCloseAlgorithmProvider(algorithm, 0);
    }
};

void Check(NTSTATUS status, const std::filesystem::path& file) {
    if (status < 0) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(status));
        throw Error(std::string("cannot compute its SHA-256 (status ") + code + ")")
            .InFile(file.string());
    }
}

}  // namespace

std::string FileSha256(const std::filesystem::path& file) {
    Sha256Hash sha;
    Check(BCryptOpenAlgorithmProvider(&sha.algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0), file);
    Check(BCryptCreateHash(sha.algorithm, &sha.hash, nullptr, 0, nullptr, 0, 0), file);
    InputFile input(file);
    std::array<std::uint8_t, 1 << 20> buffer;
    while (std::size_t count = input.Read(buffer))
        Check(BCryptHashData(sha.hash, buffer.data(), static_cast<ULONG>(count), 0), file);
    std::array<std::uint8_t, 32> digest;
    Check(BCryptFinishHash(sha.hash, digest.data(), static_cast<ULONG>(digest.size()), 0), file);
    std::string hex;
    for (std::uint8_t byte : digest) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", byte);
        hex += pair;
    }
    return hex;
}

}  // namespace boxlift
