#include "link/DriverOutput.h"

#include <sys/ioctl.h>
#include <termios.h>

namespace vq3::link {

int DriverOutput::Unsent(int fd) const {
    int count = 0;
    if (::ioctl(fd, TIOCOUTQ, &count) != 0)
        return 0;
    return count > 0 ? count : 0;
}

void DriverOutput::Discard(int fd) {
    ::tcflush(fd, TCOFLUSH);
}

} // namespace vq3::link
