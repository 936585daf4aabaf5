#pragma once

namespace vq3::link {

// The driver's queue of output that has not gone out on the line yet. A pseudo-terminal keeps
// none (it always answers 0), so tests put their own in its place to play a stalled adapter.
class DriverOutput {
public:
    virtual ~DriverOutput() = default;
    // Bytes the driver holds unsent (TIOCOUTQ); 0 when it cannot tell.
    virtual int Unsent(int fd) const;
    // Throws them away (tcflush of the output).
    virtual void Discard(int fd);
};

} // namespace vq3::link
