#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// A broken invariant is a finding like a crash: print it and abort, so that libFuzzer saves
// the input that led here.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace vq3::fuzz {

// Takes the fuzzer's bytes from the front: small numbers that steer a run, then text.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool Empty() const { return m_pos >= m_size; }
    std::size_t Remaining() const { return m_size - m_pos; }

    // The next byte, or 0 when the input has run out.
    std::uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }

    int Int32() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = value << 8 | Byte();
        return static_cast<int>(value);
    }

    // Up to `count` bytes as they are.
    std::string Bytes(std::size_t count) {
        if (count > Remaining())
            count = Remaining();
        std::string text(reinterpret_cast<const char*>(m_data + m_pos), count);
        m_pos += count;
        return text;
    }

    std::string Rest() { return Bytes(Remaining()); }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

} // namespace vq3::fuzz
