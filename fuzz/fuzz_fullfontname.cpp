// libFuzzer target for the full-name reader of font files: any bytes as a font file must give a
// name without crashing, hanging or reading outside the buffer.
//
// Build with clang (Debian: clang, libclang-rt-14-dev) and run, from the repository root:
//   cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTYPOVEX_FUZZ=ON
//   cmake --build build-fuzz --target fuzz_fullfontname
//   mkdir -p /tmp/corpus && cp /usr/share/fonts/truetype/dejavu/DejaVuSans*.ttf /tmp/corpus/
//   build-fuzz/fuzz/fuzz_fullfontname -max_total_time=300 -max_len=65536 /tmp/corpus

#include "fonts/FontFileName.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FontFileName::ReadAt read = [data, size](uint64_t offset, char* buffer, int64_t n) {
        if (n <= 0 || offset >= size)
            return int64_t(0);
        const int64_t got = std::min<int64_t>(n, int64_t(size - offset));
        std::memcpy(buffer, data + offset, size_t(got));
        return got;
    };
    const std::string name = FontFileName::readFullName(read);
    // A name never holds more than one character per two bytes of the 256-byte buffer.
    if (name.size() > size_t(FontFileName::nameBufferBytes / 2))
        __builtin_trap();
    return 0;
}
