#pragma once

namespace vq3::link {

// The 1024-byte ring of everything sent (">" + command + CR) and received. Empty when the
// read and write positions are equal, so at most 1023 unread bytes fit.
class TrafficLog {
public:
    static constexpr int kSize = 1024;

    void Reset() { m_read = m_write = 0; }
    bool Empty() const { return m_read == m_write; }
    int Unread() const { return (m_write - m_read + kSize) % kSize; }
    int Room() const { return kSize - 1 - Unread(); }
    // An unread CR: a complete line is waiting.
    bool HoldsLineEnd() const;

    // Stores the text up to its NUL. The writer does not check the reader.
    void Append(const char* text);
    // Takes the byte at the read position; only when not Empty().
    char Take();

private:
    char m_ring[kSize] = {};
    int m_write = 0;
    int m_read = 0;
};

} // namespace vq3::link
